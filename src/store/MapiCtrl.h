#pragma once
// MapiCtrl: one mail handed to the user's mail program, which opens it as a new message for
// the user to complete and send. Here the mail program is reached through xdg-email; the
// component builds its argument vector from the message and starts it through a launcher,
// so tests see the arguments and never start a mail program.
#include <functional>
#include <string>
#include <vector>

class TUserPrompt;

// Starts a program from an argument vector (argv[0] is looked up on PATH); false when it
// could not be started or failed at once.
using TProgramLauncher = std::function<bool(const std::vector<std::string>& argv)>;

// The launcher of the real program: started detached, judged by its first moments.
bool LaunchProgram(const std::vector<std::string>& argv);

// One recipient of a message: class 1 To, 2 Cc, 3 Bcc.
struct TMailRecipient {
    int RecipClass = 1;
    std::string Name;
    std::string Address;  // "SMTP:" + the entry
};

class TMapiControl {
public:
    static constexpr size_t MaxRecipients = 1000;
    static constexpr const char* MailProgram = "xdg-email";

    // launcher: nullptr starts the real mail program.
    explicit TMapiControl(TProgramLauncher launcher = nullptr);

    std::string Subject;
    std::string Body;
    std::string FromName;
    std::string FromAddress;
    std::vector<std::string> Recipients;
    std::vector<std::string> CopyTo;
    std::vector<std::string> BlindCopyTo;
    std::vector<std::string> AttachedFiles;
    std::vector<std::string> DisplayFileName;  // filled while sending: each attachment's name part
    bool ShowDialog = true;
    bool UseAppHandle = false;
    std::function<void()> OnUserAbort;
    std::function<void(int)> OnMapiError;
    std::function<void()> OnSuccess;

    // Clears every string and list.
    void Reset();
    // Fills the message (recipients and attachments as texts of one entry per line) and sends it.
    void Mail(const std::string& fromAddress, const std::string& recipients, const std::string& subject,
              const std::string& fromName, const std::string& body, const std::string& attachments);
    // Hands the message to the mail program; raises EOSError when it cannot be started.
    void Send();

    // The recipient records of Recipients, CopyTo and BlindCopyTo, in that order, at most
    // MaxRecipients. An entry holding ";" keeps the text before it, and the rest, trimmed, is
    // appended to the same list as a further entry; entries are trimmed; empty ones skipped.
    std::vector<TMailRecipient> BuildRecipients();
    // The mail program's argument vector for the message; fills DisplayFileName.
    std::vector<std::string> BuildArguments();

private:
    TProgramLauncher FLaunch;
};

namespace ReportUtils {

// The text of the error box when no mail program can be started.
inline constexpr const char* MailErrorText = "Error with the mail program configuration.\r\nMail can not be sent.";

// One mail through TMapiControl; the mail program shows it for editing. When the mail program
// cannot be started, prompt shows the error box (caption "Error", stop icon).
void SendLetter(const std::string& fromAddress, const std::string& fromName, const std::string& recipients,
                const std::string& subject, const std::string& body, const std::string& attachments,
                TUserPrompt& prompt, const TProgramLauncher& launcher = nullptr);

}  // namespace ReportUtils
