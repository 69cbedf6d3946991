#pragma once
// The product's own addresses. The product has no home page of its own yet, so the links
// that would carry it (the index page's footer) stay empty.
inline constexpr const char* ProductName = "Quillbox";
inline constexpr const char* ProductHomePage = "";
