#include "dropimport/MailMessage.h"

#include "dropimport/MailCodecs.h"
#include "dropimport/MailHeaders.h"
#include "platform/Charset.h"
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

void TMailPart::SetRawBody(std::string body) {
    FOwnRawBody = std::move(body);
    RawBody = FOwnRawBody;
}

bool TMailPart::DecodeBody() {
    if (BodyDecoded) return true;
    return Trap("TMailPart.DecodeBody", false, [&] {
        BodyDecoded = true;
        if (RawBody.empty()) return true;
        const std::string encoding = TransferEncoding();
        if (encoding == "quoted-printable") {
            DecodedBody = MailCodecs::DecodeQuotedPrintable(RawBody);
        } else if (encoding == "base64") {
            DecodedBody = MailCodecs::DecodeBase64Body(RawBody);
        } else if (encoding == "uucode" || encoding == "x-uuencode" || encoding == "uuencode" || encoding == "x-uue") {
            DecodedBody = MailCodecs::UUDecodeBody(RawBody);
            SetRawBody(MailCodecs::EncodeBase64(DecodedBody));
            HeaderLines.SetValue("Content-Transfer-Encoding", "base64");
        } else {
            DecodedBody.assign(RawBody);
        }
        return true;
    });
}

std::string TMailPart::HeaderValue(std::string_view label) const { return MailHeaders::HeaderValue(HeaderLines.Lines(), label); }

std::string TMailPart::HeaderParam(std::string_view label, std::string_view name) const {
    return MailHeaders::HeaderParam(HeaderLines.Lines(), label, name);
}

bool TMailPart::HasHeader(std::string_view label) const { return MailHeaders::FindHeaderLine(HeaderLines.Lines(), label) != nullptr; }

std::string TMailPart::ContentType() const {
    std::string type = Strings::AsciiLower(HeaderValue("Content-Type"));
    // A part without a type, or with one that is no "type/subtype", is plain text.
    return type.find('/') == std::string::npos ? "text/plain" : type;
}

std::string TMailPart::TransferEncoding() const {
    const std::string value = HeaderValue("Content-Transfer-Encoding");
    return Strings::AsciiLower(value.substr(0, value.find_first_of("; \t")));
}

std::string TMailPart::Boundary() const { return HeaderParam("Content-Type", "boundary"); }

// ---- TMailMessage2000 ----

TMailMessage2000::TMailMessage2000() : TMailPart(this) {}

TMailMessage2000::~TMailMessage2000() = default;

void TMailMessage2000::LoadFromSource(std::string_view source) { ParseSource(source, true); }

void TMailMessage2000::LoadFromSource(std::string&& source) { ParseSource(std::move(source), true); }

void TMailMessage2000::LocateTextParts() {
    if (!TextSearchPending) return;
    Attachments.Clear();
    PlainTextLines.clear();
    HTMLTextLines.clear();
    PlainTextPart = HTMLTextPart = MixedContainer = RelatedContainer = AlternativeContainer = nullptr;
    TextSearchPending = false;
    TrapVoid("TMailMessage2000.LocateTextParts", [&] {
        FEmbeddedMessages.Clear();
        SearchTree(this, true);
        // A message without text of its own (a forward as an attachment, a bounce) shows the
        // text of the first message it carries, searched the same way.
        TMailPart* root = this;
        for (int depth = 0; depth < MaxEmbeddedDepth && !PlainTextPart && !HTMLTextPart; ++depth) {
            TMailPart* carried = FirstCarriedMessage(root);
            if (!carried) break;
            root = ParseCarriedMessage(carried);
            TMailPart* mixed = MixedContainer;
            TMailPart* related = RelatedContainer;
            TMailPart* alternative = AlternativeContainer;
            MixedContainer = RelatedContainer = AlternativeContainer = nullptr;
            SearchTree(root, false);
            if (mixed) MixedContainer = mixed;
            if (related) RelatedContainer = related;
            if (alternative) AlternativeContainer = alternative;
        }
    });
}

namespace {

std::string ContainerType(const std::string& type) {
    if (!type.starts_with("multipart/")) return {};
    for (const char* known : {"multipart/alternative", "multipart/related", "multipart/signed", "multipart/report",
                              "multipart/encrypted"})
        if (type == known) return type;
    return "multipart/mixed";
}

}  // namespace

// Depth first in source order, with an explicit stack so any depth is safe.
void TMailMessage2000::SearchTree(TMailPart* root, bool collectAttachments) {
    std::vector<TMailPart*> pending{root};
    while (!pending.empty()) {
        TMailPart* part = pending.back();
        pending.pop_back();
        VisitForTextParts(part, root, collectAttachments);
        for (int i = part->SubParts.Count() - 1; i >= 0; --i) pending.push_back(part->SubParts[i]);
    }
}

// The first "message/rfc822" leaf of the tree under root (root itself included), in source order.
TMailPart* TMailMessage2000::FirstCarriedMessage(TMailPart* root) {
    std::vector<TMailPart*> pending{root};
    while (!pending.empty()) {
        TMailPart* part = pending.back();
        pending.pop_back();
        if (part->SubParts.Count() == 0 && part->ContentType() == "message/rfc822") return part;
        for (int i = part->SubParts.Count() - 1; i >= 0; --i) pending.push_back(part->SubParts[i]);
    }
    return nullptr;
}

// The message a "message/rfc822" part carries, parsed from its decoded body into a tree that
// the message owns beside its own; the part itself stays one attachment.
TMailPart* TMailMessage2000::ParseCarriedMessage(TMailPart* carrier) {
    auto* inner = new TMailPart(this);
    FEmbeddedMessages.Add(inner);
    inner->ParentPart = carrier;
    carrier->DecodeBody();
    inner->ParseSource(carrier->DecodedBody, true);
    TextSearchPending = false;  // parsing set it; this search is that one
    return inner;
}

// The first rule that applies is taken; a text body that cannot be used falls through. root is
// the message whose own single text body is taken as its text.
void TMailMessage2000::VisitForTextParts(TMailPart* part, TMailPart* root, bool collectAttachments) {
    const std::string type = part->ContentType();
    const bool leaf = part->SubParts.Count() == 0;
    const TMailPart* parent = part->ParentPart;
    // A multipart entity without parts holds nothing; one of an unknown subtype (digest,
    // parallel, a private one) is read as "multipart/mixed".
    const std::string container = leaf ? std::string() : ContainerType(type);
    if (!MixedContainer && container == "multipart/mixed") {
        MixedContainer = part;
        return;
    }
    if (!RelatedContainer && container == "multipart/related") {
        RelatedContainer = part;
        return;
    }
    if (!AlternativeContainer && container == "multipart/alternative") {
        AlternativeContainer = part;
        return;
    }
    if (part == root && leaf && type.starts_with("text/") && TryTextBody(part, type)) return;
    // A text is taken from the children of every mixed entity, so a text inside a mixed part
    // nested in the first one is found too.
    const bool inMixed = parent && (parent == MixedContainer || ContainerType(parent->ContentType()) == "multipart/mixed");
    if (MixedContainer && inMixed && !AlternativeContainer && TryTextBody(part, type)) return;
    if (RelatedContainer && parent == RelatedContainer && TryTextBody(part, type)) return;
    if (AlternativeContainer && parent == AlternativeContainer && TryTextBody(part, type)) return;
    // The signed content of "multipart/signed" and the readable notice of "multipart/report"
    // are their first parts.
    if (parent && parent->SubParts.Count() > 0 && parent->SubParts[0] == part) {
        const std::string parentType = parent->ContentType();
        if ((parentType == "multipart/signed" || parentType == "multipart/report") && TryTextBody(part, type)) return;
    }
    if (leaf && collectAttachments) {
        part->IsEmbedded = RelatedContainer && parent == RelatedContainer;
        Attachments.Add(part);
    }
}

bool TMailMessage2000::TryTextBody(TMailPart* part, const std::string& type) {
    TMailPart** chosen = type == "text/plain" ? &PlainTextPart : type == "text/html" ? &HTMLTextPart : nullptr;
    if (!chosen || *chosen || !part->DecodeBody() || part->DecodedBody.empty()) return false;
    *chosen = part;
    const std::string text = Charset::ToAnsi(part->DecodedBody, part->HeaderParam("Content-Type", "charset"));
    (type == "text/plain" ? PlainTextLines : HTMLTextLines) = MailCodecs::BytesToLines(text);
    return true;
}

std::string TMailMessage2000::Subject() const { return MailHeaders::DecodeHeaderWords(HeaderValue("Subject")); }

std::string TMailMessage2000::SenderName() const { return MailHeaders::SenderName(HeaderValue("From")); }

std::string TMailMessage2000::SenderAddress() const { return MailHeaders::SenderAddress(HeaderValue("From")); }

TDateTime TMailMessage2000::MessageDate() const {
    return MailHeaders::ParseMessageDate(MailCodecs::TrimBlanks(HeaderValue("Date")));
}
