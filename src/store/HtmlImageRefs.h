#pragma once
// Finds the pictures an HTML text refers to and rewrites those references, so the note writer
// can save a page's images beside a note and point the note at its own copies. Plain
// C++ over the gumbo HTML5 parser: the text may be a whole document or a fragment (a
// selection), and any bytes at all are safe to hand in.
#include <string>
#include <string_view>
#include <vector>

namespace HtmlImageRefs {

// One reference: the address as the page means it (entities decoded) and the bytes of the
// attribute value in the source text that hold it (without the quotes).
struct TImageRef {
    std::string Url;
    size_t Offset = 0;
    size_t Length = 0;
};

// The src of every <img> and <input type=image>, in source order. References whose position
// in the text is unknown (made up by the parser) are left out.
std::vector<TImageRef> FindImageRefs(std::string_view html);

// Replaces the value of each reference whose new address is not empty with that address,
// escaped for an attribute value. newUrls runs parallel to refs; refs must come from
// FindImageRefs on the same text.
std::string ReplaceImageRefs(std::string_view html, const std::vector<TImageRef>& refs,
                             const std::vector<std::string>& newUrls);

// Only the pictures: one paragraph per <img> the text refers to, each with its source
// address (entities encoded again), used for an "all images" capture.
std::string ImagesOnly(std::string_view html);

}  // namespace HtmlImageRefs
