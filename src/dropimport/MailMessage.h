#pragma once
// An Internet mail message as a tree of MIME parts: parsed from its raw source, decoded on
// demand, and searched for its plain-text and HTML bodies. Raw and decoded bodies are the bytes
// of the message; the chosen text bodies and the header fields (subject, names) are converted
// from their declared charsets into the program's text.
#include "dropimport/MailRecipients.h"
#include "platform/DateTime.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TMailPart;
class TMailMessage2000;

// Header lines in canonical form ("Label: value"). Every change raises the version, so readers
// that cache what they parsed from the lines know when to parse again.
class TMailHeaderLines {
public:
    const std::vector<std::string>& Lines() const { return FLines; }
    size_t Count() const { return FLines.size(); }
    const std::string& operator[](size_t i) const { return FLines[i]; }
    std::uint64_t Version() const { return FVersion; }

    void Add(std::string line);
    void Assign(std::vector<std::string> lines);
    void Clear();
    // Replaces the first line of that label with "label: value", or adds one.
    void SetValue(std::string_view label, std::string_view value);
    // Every line followed by CR LF.
    std::string Text() const;

private:
    std::vector<std::string> FLines;
    std::uint64_t FVersion = 0;
};

// A list of parts. An owning list deletes its parts (and, without recursion, theirs) when it is
// cleared or destroyed; a list that does not own them only refers to them.
class TMailPartList {
public:
    explicit TMailPartList(bool ownsObjects) : FOwnsObjects(ownsObjects) {}
    ~TMailPartList();
    TMailPartList(const TMailPartList&) = delete;
    TMailPartList& operator=(const TMailPartList&) = delete;

    int Count() const { return static_cast<int>(FItems.size()); }
    TMailPart* operator[](int i) const { return FItems[static_cast<size_t>(i)]; }
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }
    // Appends the part; an owning list takes it over (and deletes it if it cannot be stored).
    void Add(TMailPart* part);
    void Clear();

private:
    std::vector<TMailPart*> FItems;
    bool FOwnsObjects;
};

// One MIME entity.
class TMailPart {
public:
    // A part belongs to the message that owns its tree; a part without one cannot be parsed.
    explicit TMailPart(TMailMessage2000* message);
    virtual ~TMailPart();
    TMailPart(const TMailPart&) = delete;
    TMailPart& operator=(const TMailPart&) = delete;

    std::string Name;               // the component name, quoted in the parse error
    TMailHeaderLines HeaderLines;   // unfolded, canonical
    // The body as it stands in the source: a view into the text this part or the part it was
    // parsed under holds (so bodies nobody reads are never copied), or into the part's own
    // buffer after SetRawBody. Assigning it a view keeps that text's lifetime the caller's.
    std::string_view RawBody;
    std::string DecodedBody;        // the body after transfer decoding (DecodeBody)
    std::string EnclosingBoundary;  // boundary of the multipart entity that contains this part
    TMailMessage2000* Message;      // the owning message; a message refers to itself
    TMailPartList SubParts{true};   // parts of a multipart entity, in source order
    TMailPart* ParentPart = nullptr;
    bool BodyDecoded = false;  // DecodedBody is up to date
    bool IsEmbedded = false;   // a leaf inside the "multipart/related" entity (text-part search)

private:
    void ResetForParse();

    std::string FParsedText;  // the text last parsed into this part; the tree's bodies point into it
    std::string FOwnRawBody;  // a raw body made rather than read (SetRawBody)
public:

    // Builds this part, with its sub-parts, from text (NUL bytes are ordinary bytes). Raises
    // Exception when the part has no message or a uuencoded block holds a bad character.
    void ParseSource(std::string_view text, bool headersExpected);
    // The same with a text the part takes over instead of copying.
    void ParseSource(std::string&& text, bool headersExpected);
    void ParseSource(const char* text, bool headersExpected) { ParseSource(std::string_view(text), headersExpected); }
    // The same on a text the caller keeps unchanged for as long as the part and its sub-parts
    // live (a mapped file): nothing is copied. The text must not lie in the part's own tree.
    void ParseSourceInPlace(std::string_view text, bool headersExpected);
    // Makes body the part's raw body, held by the part.
    void SetRawBody(std::string body);
    // Fills DecodedBody from RawBody once, by "Content-Transfer-Encoding"; false when the body
    // cannot be decoded.
    bool DecodeBody();

    std::string HeaderValue(std::string_view label) const;

    std::string HeaderParam(std::string_view label, std::string_view name) const;
    bool HasHeader(std::string_view label) const;
    // The "Content-Type" value, lower case, without parameters; "text/plain" when the part has
    // none or one without a "/".
    std::string ContentType() const;
    // The "Content-Transfer-Encoding" value, lower case, up to a blank or ";".
    std::string TransferEncoding() const;
    // The "boundary" parameter of "Content-Type".
    std::string Boundary() const;
};

enum TEncodingType { etBase64, etQuotedPrintable, etNoEncoding, et7Bit };

// Progress while a message parses its source: the message, the source length, the position.
using TMailProgressEvent = std::function<void(TMailPart* sender, std::int64_t total, std::int64_t position)>;

class TMailMessage2000 : public TMailPart {
public:
    TMailMessage2000();
    ~TMailMessage2000() override;

    TMailPartList Attachments{false};  // leaves that are neither chosen body
    std::vector<std::string> PlainTextLines;  // program text, converted from the part's charset
    std::vector<std::string> HTMLTextLines;
    TMailPart* PlainTextPart = nullptr;
    TMailPart* HTMLTextPart = nullptr;
    TMailPart* MixedContainer = nullptr;
    TMailPart* RelatedContainer = nullptr;
    TMailPart* AlternativeContainer = nullptr;

    std::string Charset = "iso-8859-1";  // of the text part made from a plain uuencoded message
    TEncodingType TextEncoding = etQuotedPrintable;
    // Called at the start, after each line and at the end of parsing the message's source. The
    // user interface that sets it keeps itself responsive from inside the handler.
    TMailProgressEvent OnProgress;

    TMailRecipients ToRecipients{this, "To"};
    TMailRecipients CcRecipients{this, "Cc"};
    TMailRecipients BccRecipients{this, "Bcc"};

    // Set whenever a part of the message is parsed; the text-part search clears its own flag.
    bool RebuildPending = false;
    bool RestructurePending = false;
    bool TextSearchPending = false;

    // Parses the whole message, headers expected.
    void LoadFromSource(std::string_view source);
    void LoadFromSource(std::string&& source);
    void LoadFromSource(const char* source) { LoadFromSource(std::string_view(source)); }
    // Parses a source the caller keeps unchanged for the message's life, without copying it.
    void LoadFromSourceInPlace(std::string_view source) { ParseSourceInPlace(source, true); }
    // Picks the plain-text and HTML bodies and the attachments, once after each parse.
    void LocateTextParts();

    std::string Subject() const;
    std::string SenderName() const;
    std::string SenderAddress() const;
    // The "Date" header as a local date-time; 0 when there is none or it cannot be read.
    TDateTime MessageDate() const;

private:
    static constexpr int MaxEmbeddedDepth = 8;

    void SearchTree(TMailPart* root, bool collectAttachments);
    void VisitForTextParts(TMailPart* part, TMailPart* root, bool collectAttachments);
    bool TryTextBody(TMailPart* part, const std::string& type);
    TMailPart* FirstCarriedMessage(TMailPart* root);
    TMailPart* ParseCarriedMessage(TMailPart* carrier);

    TMailPartList FEmbeddedMessages{true};  // messages carried by "message/rfc822" parts, once searched
};
