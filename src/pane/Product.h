#pragma once
// The product's name, version and own addresses, in one place. The product has no public
// site and no support mailbox yet: the links that would carry the home page (the index
// page's footer) stay empty, the "Web Page" command shows the help page shipped with the
// program instead, and feedback opens a new message without an address.
inline constexpr const char* ProductName = "Quillbox";
// The program's version: the project version in CMakeLists.txt, which the package carries too.
extern const char* const ProductVersion;
inline constexpr const char* ProductHomePage = "";
inline constexpr const char* ProductSupportMail = "";
