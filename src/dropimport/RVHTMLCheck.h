#pragma once
// A structural check of the HTML the RTF writer produces: every closing tag closes the element
// opened last and still open, and every element is closed by the end. The head's "</HEAD>" and
// the "<BODY>" the page around the note body closes are left aside, as are the empty
// elements ("<BR>", "<IMG>", "<HR>") and the style sheet's text.
#include <string>
#include <string_view>

namespace RVHTMLCheck {

// Empty when the HTML is well formed; otherwise what is wrong and where ("</B> at 120 closes
// <I>", "<SUP> left open").
std::string FirstFault(std::string_view html);

}  // namespace RVHTMLCheck
