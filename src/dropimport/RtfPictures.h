#pragma once
// The image objects made from the pictures of an RTF document: what kind of image, its size in
// pixels and its bytes as the image's own file would hold them. Windows metafiles are played
// into a bitmap through libwmf; JPEG sizes come from the IJG libjpeg decoder.
#include "dropimport/RVRTFProps.h"
#include "platform/Exceptions.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Picture data that is not the image its type says.
class EInvalidGraphic : public Exception { using Exception::Exception; };

enum class TRVGraphicKind { EnhMetafile, PNG, JPEG, Metafile, Bitmap };

class TRVGraphic {
public:
    TRVGraphicKind Kind = TRVGraphicKind::Metafile;
    int Width = 0;  // pixels; 0 when the data does not tell
    int Height = 0;
    int MapMode = 0;   // metafiles: the mapping mode the picture is drawn in
    std::string Data;  // the file form: a bitmap starts with its 14-byte file header
};

namespace RtfPictures {

// Sides larger than this are clamped in reported sizes and scaled down when a metafile is
// played: a picture may claim any size, the bitmap is made in memory.
inline constexpr int MaxImageSide = 65535;
inline constexpr int MaxRasterSide = 2048;
// The pixels all the metafiles of one document may be played into together.
inline constexpr std::uint64_t MaxRasterPixels = 32u << 20;

// The image of an RTF picture by its type: enhanced metafile, PNG, JPEG, Windows metafile or
// device-independent bitmap; nullptr for the other types. A metafile or bitmap whose data is
// not one raises EInvalidGraphic ("Invalid metafile", "Bitmap image is not valid"). PNG and
// JPEG data that cannot be read keeps a size of 0.
std::unique_ptr<TRVGraphic> MakeGraphic(const TRVRTFPicture& picture);
// The image in a file's bytes, recognised by its signature; nullptr when the bytes are none of
// the formats above or not a valid one.
std::unique_ptr<TRVGraphic> GraphicFromFile(std::string bytes);

// Plays a Windows metafile into a bitmap of the graphic's size (filled in from the metafile's
// own extent when the graphic has none) and returns the bitmap as a BMP file. The bitmap's
// pixels are taken from pixelBudget; when it has too few left, nothing is played and the
// result is empty. Raises EInvalidGraphic "Invalid metafile" when the metafile cannot be played.
std::string MetafileToBitmap(TRVGraphic& metafile, std::uint64_t& pixelBudget);

// The sizes written in the headers of PNG and JPEG data; false when there is no valid header.
bool ReadPNGSize(std::string_view data, int& width, int& height);
bool ReadJPEGSize(std::string_view data, int& width, int& height);

}  // namespace RtfPictures
