#pragma once
// One address header ("To", "Cc" or "Bcc") of a message as a list of entries, parsed on first
// use and again whenever the message's header lines have changed since.
#include <cstdint>
#include <string>
#include <vector>

class TMailMessage2000;

class TMailRecipients {
public:
    TMailRecipients(TMailMessage2000* owner, std::string headerName);

    const std::string& HeaderName() const { return FHeaderName; }
    int Count();
    // Entry i, counting from 0; empty for an index out of range.
    std::string Name(int i);
    std::string Address(int i);

private:
    void Refresh();

    TMailMessage2000* FOwner;
    std::string FHeaderName;
    std::vector<std::string> FNames;
    std::vector<std::string> FAddresses;
    std::uint64_t FParsedVersion = UINT64_MAX;  // header version of the last parse
};
