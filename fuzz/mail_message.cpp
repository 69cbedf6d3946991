// Reads arbitrary bytes as a dropped e-mail message: the source is parsed, the text bodies are
// searched (into carried messages too), every part is decoded and every header field is read,
// as the drop target does. Seeds: fuzz/corpus/mail_message and, added by scripts/test.sh at
// run time, the real messages of ../shared/realmail/msgs.
// A uuencoded block with a bad character may end the parse; the partial tree must still be safe.
#include "dropimport/MailHeaders.h"
#include "dropimport/MailMessage.h"
#include "platform/Charset.h"
#include "platform/CodePage.h"

#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Attachment types are looked up in the registry file; never read the user's own.
    ::setenv("XDG_CONFIG_HOME", "/nonexistent/quillbox-fuzz", 1);
    std::setlocale(LC_ALL, "C.UTF-8");
    return 0;
}

namespace {

void ReadRecipients(TMailRecipients& list) {
    for (int i = 0; i <= list.Count(); ++i) {
        list.Name(i);
        list.Address(i);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view source(reinterpret_cast<const char*>(data), size);
    TMailMessage2000 msg;
    try {
        msg.LoadFromSource(source);
    } catch (const std::exception&) {
        // "UUCODE message format error": the drop target makes no note of such a message.
    }
    msg.LocateTextParts();
    if (!msg.HTMLTextLines.empty() && !msg.HTMLTextPart) std::abort();
    if (!msg.PlainTextLines.empty() && !msg.PlainTextPart) std::abort();
    for (const TMailPart* part : msg.Attachments)
        if (part->SubParts.Count() != 0 || part == msg.HTMLTextPart || part == msg.PlainTextPart) std::abort();

    // Fields and bodies are program text (an unknown charset keeps its bytes, so they need not be
    // valid UTF-8); a body in a known charset always is.
    msg.Subject();
    if (msg.HTMLTextPart && Charset::IconvName(msg.HTMLTextPart->HeaderParam("Content-Type", "charset")) == "UTF-8")
        for (const std::string& line : msg.HTMLTextLines)
            if (!CodePage::IsValidUtf8(line)) std::abort();
    msg.SenderName();
    msg.SenderAddress();
    msg.MessageDate();
    ReadRecipients(msg.ToRecipients);
    ReadRecipients(msg.CcRecipients);
    ReadRecipients(msg.BccRecipients);

    std::vector<TMailPart*> pending{&msg};
    while (!pending.empty()) {
        TMailPart* part = pending.back();
        pending.pop_back();
        part->DecodeBody();
        part->ContentType();
        part->Boundary();
        part->HeaderParam("Content-Disposition", "filename");
        for (const std::string& line : part->HeaderLines.Lines()) MailHeaders::DecodeHeaderWords(line);
        for (TMailPart* child : part->SubParts) {
            if (child->ParentPart != part) std::abort();
            pending.push_back(child);
        }
    }
    return 0;
}
