#pragma once
// ReportUtils, the text and URL helpers: parts of a URL, tags and spaces taken out, text
// made HTML, colours and bytes as hex. Positions are 1-based.
#include <string>

namespace ReportUtils {

void ParseURL(const std::string& url, std::string& protocol, std::string& user, std::string& password,
              std::string& host, std::string& port, std::string& path);
int PosN(const std::string& substring, const std::string& text, int n);
std::string TagKiller(const std::string& html);
std::u16string PlainTextToHTML(const std::u16string& text);
std::string DelSpace1(const std::string& text);
std::string ByteToHex(unsigned char value);
std::string ColorToRGB(int color);

}  // namespace ReportUtils
