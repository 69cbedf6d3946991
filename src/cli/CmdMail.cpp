// quillbox-cli mail FILE: what an e-mail note would be made of, from a raw message file.
#include "cli/Commands.h"
#include "dropimport/MailMessage.h"
#include "platform/CodePage.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "settings/Trap.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A regular file mapped read-only for the command's life, so a large message is parsed where
// it lies instead of being copied into memory first. Empty when the file cannot be mapped.
class TMappedFile {
public:
    explicit TMappedFile(const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
            void* data = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
            if (data != MAP_FAILED) FText = std::string_view(static_cast<const char*>(data), static_cast<size_t>(st.st_size));
        }
        ::close(fd);
    }
    ~TMappedFile() {
        if (!FText.empty()) ::munmap(const_cast<char*>(FText.data()), FText.size());
    }
    TMappedFile(const TMappedFile&) = delete;
    TMappedFile& operator=(const TMappedFile&) = delete;
    std::string_view Text() const { return FText; }

private:
    std::string_view FText;
};

// Header fields and bodies come out of the message as program text (the ANSI code page), as
// the drop target widens them; bytes the code page does not hold are shown as replacement
// characters.
void PrintLine(const std::string& label, const std::string& text) {
    std::fwrite(label.data(), 1, label.size(), stdout);
    if (CodePage::IsUtf8() && CodePage::IsValidUtf8(text)) {
        std::fwrite(text.data(), 1, text.size(), stdout);
    } else {
        const std::string shown = CodePage::WideToAnsi(CodePage::AnsiToWide(text));
        std::fwrite(shown.data(), 1, shown.size(), stdout);
    }
    std::fputc('\n', stdout);
}

void PrintRecipients(const char* label, TMailRecipients& list) {
    for (int i = 0; i < list.Count(); ++i) PrintLine(label, list.Name(i) + " <" + list.Address(i) + ">");
}

}  // namespace

int CmdMail(const TArgs& args) {
    if (args.size() != 1) return Usage();
    const std::string& fileName = args[0];
    const TMappedFile mapped(fileName);
    std::string source;
    if (mapped.Text().empty() && !FileSystem::TryReadFile(fileName, source)) {
        std::fprintf(stderr, "quillbox-cli: cannot read %s\n", fileName.c_str());
        return 2;
    }
    TMailMessage2000 msg;  // declared after the mapping, so it is gone before the mapping is
    const bool loaded = TrapVoid("CmdMail", [&] {
        if (mapped.Text().empty())
            msg.LoadFromSource(std::move(source));
        else
            msg.LoadFromSourceInPlace(mapped.Text());
        msg.LocateTextParts();
    });
    if (!loaded) {
        std::fprintf(stderr, "quillbox-cli: %s is not a readable mail message\n", fileName.c_str());
        return 2;
    }
    PrintLine("Subject: ", msg.Subject());
    PrintLine("From-Name: ", msg.SenderName());
    PrintLine("From-Address: ", msg.SenderAddress());
    PrintRecipients("To: ", msg.ToRecipients);
    PrintRecipients("Cc: ", msg.CcRecipients);
    const TDateTime date = msg.MessageDate();
    PrintLine("Date: ", DateTimeUtils::FormatShortDate(date) + " " + DateTimeUtils::FormatLongTime(date));
    PrintLine("Attachments: ", std::to_string(msg.Attachments.Count()));
    const std::vector<std::string>& body = msg.HTMLTextLines.empty() ? msg.PlainTextLines : msg.HTMLTextLines;
    if (body.empty()) return 1;
    // The body is converted for showing in one piece rather than line by line, after the
    // empty line that ends the fields.
    std::string text = Strings::JoinLines(body, "\n");
    text.pop_back();
    PrintLine("\n", text);
    return 0;
}
