#include "dropimport/MailRecipients.h"

#include "dropimport/MailHeaders.h"
#include "dropimport/MailMessage.h"

TMailRecipients::TMailRecipients(TMailMessage2000* owner, std::string headerName)
    : FOwner(owner), FHeaderName(std::move(headerName)) {}

void TMailRecipients::Refresh() {
    const std::uint64_t version = FOwner->HeaderLines.Version();
    if (FParsedVersion == version) return;
    MailHeaders::ParseAddressList(FOwner->HeaderValue(FHeaderName), FNames, FAddresses);
    FParsedVersion = version;
}

int TMailRecipients::Count() {
    Refresh();
    return static_cast<int>(FNames.size());
}

std::string TMailRecipients::Name(int i) {
    Refresh();
    return i >= 0 && i < static_cast<int>(FNames.size()) ? FNames[static_cast<size_t>(i)] : std::string();
}

std::string TMailRecipients::Address(int i) {
    Refresh();
    return i >= 0 && i < static_cast<int>(FAddresses.size()) ? FAddresses[static_cast<size_t>(i)] : std::string();
}
