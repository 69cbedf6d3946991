#include "dropimport/MailMessage.h"

#include "dropimport/MailCodecs.h"
#include "dropimport/MailHeaders.h"
#include "platform/Strings.h"
#include "settings/Trap.h"

// ---- TMailHeaderLines ----

void TMailHeaderLines::Add(std::string line) {
    FLines.push_back(std::move(line));
    ++FVersion;
}

void TMailHeaderLines::Assign(std::vector<std::string> lines) {
    FLines = std::move(lines);
    ++FVersion;
}

void TMailHeaderLines::Clear() {
    FLines.clear();
    ++FVersion;
}

void TMailHeaderLines::SetValue(std::string_view label, std::string_view value) {
    std::string line = std::string(label) + ": " + std::string(value);
    const std::string* found = MailHeaders::FindHeaderLine(FLines, label);
    if (found)
        FLines[static_cast<size_t>(found - FLines.data())] = std::move(line);
    else
        FLines.push_back(std::move(line));
    ++FVersion;
}

std::string TMailHeaderLines::Text() const { return MailCodecs::LinesToText(FLines); }

// ---- TMailPartList ----

TMailPartList::~TMailPartList() { Clear(); }

void TMailPartList::Add(TMailPart* part) {
    try {
        FItems.push_back(part);
    } catch (...) {
        if (FOwnsObjects) delete part;
        throw;
    }
}

void TMailPartList::Clear() {
    std::vector<TMailPart*> pending;
    pending.swap(FItems);
    if (!FOwnsObjects) return;
    // A tree hundreds of levels deep is taken apart level by level instead of by recursive
    // destructors: each part hands its sub-parts over before it is deleted.
    while (!pending.empty()) {
        TMailPart* part = pending.back();
        pending.pop_back();
        for (TMailPart* child : part->SubParts.FItems) pending.push_back(child);
        part->SubParts.FItems.clear();
        delete part;
    }
}

// ---- TMailPart ----

TMailPart::TMailPart(TMailMessage2000* message) : Message(message) {}

TMailPart::~TMailPart() = default;

bool TMailPart::DecodeBody() {
    if (BodyDecoded) return true;
    return Trap("TMailPart.DecodeBody", false, [&] {
        BodyDecoded = true;
        if (RawBody.empty()) return true;
        const std::string encoding = HeaderValue("Content-Transfer-Encoding");
        if (encoding == "quoted-printable" || encoding == "7bit") {
            DecodedBody = MailCodecs::DecodeQuotedPrintable(RawBody);
        } else if (encoding == "base64") {
            DecodedBody = MailCodecs::DecodeBase64Body(RawBody);
        } else if (encoding == "uucode") {
            DecodedBody = MailCodecs::UUDecodeBody(RawBody);
            RawBody = MailCodecs::EncodeBase64(DecodedBody);
            HeaderLines.SetValue("Content-Transfer-Encoding", "base64");
        } else {
            DecodedBody = RawBody;
        }
        return true;
    });
}

std::string TMailPart::HeaderValue(std::string_view label) const { return MailHeaders::HeaderValue(HeaderLines.Lines(), label); }

std::string TMailPart::HeaderParam(std::string_view label, std::string_view name) const {
    return MailHeaders::HeaderParam(HeaderLines.Lines(), label, name);
}

bool TMailPart::HasHeader(std::string_view label) const { return MailHeaders::FindHeaderLine(HeaderLines.Lines(), label) != nullptr; }

std::string TMailPart::ContentType() const { return Strings::AsciiLower(HeaderValue("Content-Type")); }

std::string TMailPart::Boundary() const { return HeaderParam("Content-Type", "boundary"); }

// ---- TMailMessage2000 ----

TMailMessage2000::TMailMessage2000() : TMailPart(this) {}

TMailMessage2000::~TMailMessage2000() = default;

void TMailMessage2000::LoadFromSource(std::string_view source) { ParseSource(source, true); }

void TMailMessage2000::LocateTextParts() {
    if (!TextSearchPending) return;
    Attachments.Clear();
    PlainTextLines.clear();
    HTMLTextLines.clear();
    PlainTextPart = HTMLTextPart = MixedContainer = RelatedContainer = AlternativeContainer = nullptr;
    TextSearchPending = false;
    TrapVoid("TMailMessage2000.LocateTextParts", [&] {
        // Depth first in source order, with an explicit stack so any depth is safe.
        std::vector<TMailPart*> pending{this};
        while (!pending.empty()) {
            TMailPart* part = pending.back();
            pending.pop_back();
            VisitForTextParts(part);
            for (int i = part->SubParts.Count() - 1; i >= 0; --i) pending.push_back(part->SubParts[i]);
        }
    });
}

// The first rule that applies is taken; a text body that cannot be used falls through.
void TMailMessage2000::VisitForTextParts(TMailPart* part) {
    const std::string type = part->ContentType();
    const bool leaf = part->SubParts.Count() == 0;
    const TMailPart* parent = part->ParentPart;
    if (!MixedContainer && type == "multipart/mixed") {
        MixedContainer = part;
        return;
    }
    if (!RelatedContainer && type == "multipart/related") {
        RelatedContainer = part;
        return;
    }
    if (!AlternativeContainer && type == "multipart/alternative") {
        AlternativeContainer = part;
        return;
    }
    if (part == this && leaf && type.starts_with("text/") && TryTextBody(part, type)) return;
    if (part == this && leaf && !part->HasHeader("Content-Type") && TryTextBody(part, "text/plain")) return;
    if (MixedContainer && parent == MixedContainer && !AlternativeContainer && TryTextBody(part, type)) return;
    if (RelatedContainer && parent == RelatedContainer && TryTextBody(part, type)) return;
    if (AlternativeContainer && parent == AlternativeContainer && TryTextBody(part, type)) return;
    if (leaf) {
        part->IsEmbedded = RelatedContainer && parent == RelatedContainer;
        Attachments.Add(part);
    }
}

bool TMailMessage2000::TryTextBody(TMailPart* part, const std::string& type) {
    TMailPart** chosen = type == "text/plain" ? &PlainTextPart : type == "text/html" ? &HTMLTextPart : nullptr;
    if (!chosen || *chosen || !part->DecodeBody() || part->DecodedBody.empty()) return false;
    *chosen = part;
    (type == "text/plain" ? PlainTextLines : HTMLTextLines) = MailCodecs::BytesToLines(part->DecodedBody);
    return true;
}

std::string TMailMessage2000::Subject() const { return MailHeaders::DecodeHeaderWords(HeaderValue("Subject")); }

std::string TMailMessage2000::SenderName() const { return MailHeaders::SenderName(HeaderValue("From")); }

std::string TMailMessage2000::SenderAddress() const { return MailHeaders::SenderAddress(HeaderValue("From")); }

TDateTime TMailMessage2000::MessageDate() const {
    return MailHeaders::ParseMessageDate(MailCodecs::TrimBlanks(HeaderValue("Date")));
}
