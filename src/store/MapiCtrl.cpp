#include "store/MapiCtrl.h"

#include "platform/Exceptions.h"
#include "platform/Shell.h"
#include "platform/Strings.h"
#include "settings/Trap.h"
#include "store/UserPrompt.h"

namespace {

// How long the mail program is watched for a failure before it counts as started.
constexpr int MailProgramGraceMs = 1500;

// The name part of a path.
std::string NamePart(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines = Strings::SplitLines(text);
    std::erase(lines, std::string());
    return lines;
}

// Adds the records of one list, splitting entries at ";" into further entries of the list.
void AddRecipients(std::vector<std::string>& list, int recipClass, std::vector<TMailRecipient>& records) {
    for (size_t i = 0; i < list.size() && records.size() < TMapiControl::MaxRecipients; ++i) {
        const size_t semicolon = list[i].find(';');
        if (semicolon != std::string::npos) {
            list.push_back(Strings::Trim(std::string_view(list[i]).substr(semicolon + 1)));
            list[i].erase(semicolon);
        }
        list[i] = Strings::Trim(list[i]);
        if (list[i].empty()) continue;
        records.push_back({recipClass, list[i], "SMTP:" + list[i]});
    }
}

}  // namespace

bool LaunchProgram(const std::vector<std::string>& argv) { return Shell::LaunchChecked(argv, MailProgramGraceMs); }

TMapiControl::TMapiControl(TProgramLauncher launcher) : FLaunch(std::move(launcher)) {
    if (!FLaunch) FLaunch = LaunchProgram;
}

void TMapiControl::Reset() {
    Subject.clear();
    Body.clear();
    FromName.clear();
    FromAddress.clear();
    for (auto* list : {&Recipients, &CopyTo, &BlindCopyTo, &AttachedFiles, &DisplayFileName}) list->clear();
}

void TMapiControl::Mail(const std::string& fromAddress, const std::string& recipients, const std::string& subject,
                        const std::string& fromName, const std::string& body, const std::string& attachments) {
    FromName = fromName;
    FromAddress = fromAddress;
    Recipients = LinesOf(recipients);
    Subject = subject;
    Body = body;
    AttachedFiles = LinesOf(attachments);
    Send();
}

std::vector<TMailRecipient> TMapiControl::BuildRecipients() {
    std::vector<TMailRecipient> records;
    AddRecipients(Recipients, 1, records);
    AddRecipients(CopyTo, 2, records);
    AddRecipients(BlindCopyTo, 3, records);
    return records;
}

// The texts go in the ANSI code page, the locale's character set, which is what the mail
// program reads them in. The sender is left to the mail program: it sends from the account the
// user set up there and takes no other. Empty texts are left out (xdg-email refuses them).
std::vector<std::string> TMapiControl::BuildArguments() {
    std::vector<std::string> argv = {MailProgram};
    const auto add = [&argv](const char* option, const std::string& value) {
        if (value.empty()) return;
        argv.push_back(option);
        argv.push_back(value);
    };
    add("--subject", Subject);
    add("--body", Body);
    static const char* const classOption[] = {"", "--to", "--cc", "--bcc"};
    for (const TMailRecipient& r : BuildRecipients()) add(classOption[r.RecipClass], r.Name);
    DisplayFileName.clear();
    for (const std::string& file : AttachedFiles) {
        add("--attach", file);
        DisplayFileName.push_back(NamePart(file));
    }
    return argv;
}

// Unlike a mail system that needs a recipient before it shows the message, the mail program
// opens a message without one: the user fills in the address there.
void TMapiControl::Send() {
    const std::vector<std::string> argv = BuildArguments();
    if (!FLaunch(argv)) {
        if (OnMapiError) OnMapiError(-1);
        throw EOSError(std::string("The mail program could not be started: ") + MailProgram);
    }
    if (OnSuccess) OnSuccess();
}

namespace ReportUtils {

void SendLetter(const std::string& fromAddress, const std::string& fromName, const std::string& recipients,
                const std::string& subject, const std::string& body, const std::string& attachments,
                TUserPrompt& prompt, const TProgramLauncher& launcher) {
    const bool sent = TrapVoid("ReportUtils.SendLetter", [&] {
        TMapiControl mapi(launcher);
        mapi.Reset();
        mapi.ShowDialog = true;
        mapi.UseAppHandle = true;
        mapi.Mail(fromAddress, recipients, subject, fromName, body, attachments);
    });
    if (!sent) prompt.Ask(MailErrorText, "Error", TButtons::OK, TIcon::Error);
}

}  // namespace ReportUtils
