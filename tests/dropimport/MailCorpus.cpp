// Real messages from the test suites of other mail programs and libraries: every one is read
// as the drop target reads it, and a reviewed set is checked field by field against what the
// message says (values read off each message by hand).
#include "dropimport/MailMessage.h"

#include "dropimport/MailCodecs.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "TestEnvironment.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

const std::string CorpusDir = QB_REALMAIL_DIR;

std::vector<std::string> CorpusFiles() {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(CorpusDir, error))
        if (entry.path().extension() == ".eml") files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

std::string ReadMessage(const std::string& name) {
    std::string source;
    EXPECT_TRUE(FileSystem::TryReadFile(CorpusDir + "/" + name + ".eml", source)) << name;
    return source;
}

std::string Entries(TMailRecipients& list) {
    std::string text;
    for (int i = 0; i < list.Count(); ++i) text += (i ? "; " : "") + list.Name(i) + " <" + list.Address(i) + ">";
    return text;
}

// Every field and body as the note would show it.
void ExpectProgramText(const std::string& text, const std::string& what, const std::string& file) {
    EXPECT_TRUE(CodePage::IsValidUtf8(text)) << file << ": " << what << " is no valid text";
}

struct TReviewed {
    const char* File;
    const char* Subject;
    const char* FromName;
    const char* FromAddress;
    const char* To;  // "name <address>" entries joined by "; "
    const char* Cc;
    TDateTimeParts Date;  // UTC; year 0: no date, year -1: not checked
    int Attachments;
    const char* Plain;  // a piece of the plain-text body; "" for none
    const char* Html;   // a piece of the HTML body; "" for none
};

const TReviewed Reviewed[] = {
    // Charsets of encoded words and bodies.
    {"mailparser-mail_test_12", "代开各地增值税发票", "张先生", "baoguan@hotmail.com", " <danglüe@email.com>", "",
     {2018, 5, 13, 4, 32, 22}, 0, "你好！我公司可代开各类增值税发票", ""},
    {"mailparser-mail_test_6", "Быстрее вкладывайте в золото!", "Время пришло", "noreply@ggg.com", " <mvk2008_64@test.it>", "",
     {2017, 7, 15, 9, 18, 41}, 4, "", "Профиль"},
    {"mailparser-mail_test_5", "Je prépare mon été zéro complexe !", "Marina de Carlance", "contact@carlance.fr",
     " <rollierjocelyne@fake.com>", "", {2017, 3, 8, 4, 0, 31}, 5, nullptr, "<title>Je pr&#233;pare mon &#233;t&#233;"},
    {"rubymail-raw_email", "NOTE: 한국말로 하는 것", "Jamis Buck", "jamis@37signals.com", " <willard15georgina@jamis.backpackit.com>",
     "", {2005, 5, 2, 22, 7, 5}, 0, "대부분의 마찬가지로, 우리는 하나님을 믿습니다.", ""},
    {"rubymail-ks_c_5601-1987", "test", "", "from@example.com", " <unknown@example.com>", "", {2014, 5, 28, 8, 18, 19}, 0,
     "스티해", ""},
    {"rubymail-japanese_iso_2022", "まみむめも", "Mikel Lindsaar", "raasdnil@gmail.com", "みける <raasdnil@gmail.com>", "",
     {0, 0, 0}, 0, "すみません。", ""},
    {"rubymail-japanese_shift_jis", "test", "", "xxxxxxx@docomo.ne.jp", " <unknown@example.com>", "", {2014, 5, 28, 8, 18, 19},
     0, "あいうえお", ""},
    {"rubymail-example14", "Re: TEST テストテスト", "Atsushi Yoshida", "atsushi@example.com", " <rudeboyjet@gmail.com>", "",
     {2011, 8, 19, 1, 47, 17}, 0, "Hello", ""},
    {"rubymail-raw_email_bad_time", "[0]: XXXXXXX XXXXX XXXXX !", "Атиковa", "yusuf75thu@auracom.net", " <abcdefg@AAAAAAAAA.net>",
     "", {3609, 6, 30, 9, 33, 50}, 0, nullptr, "<HTML><HEAD>"},
    {"rubymail-invalid_subject_characters", "Formação FrenetikPolis: Mega Campanha Final Verão | Cursos de Setembro",
     "Formação Frenetikpolis", "info@formacaofrenetik.info", " <martin@internet.ao>;  <iris@internet.ao>;  <support@maxnet.ao>",
     "", {0, 0, 0}, 0, "TEST", ""},
    {"rubymail-attachment_with_quoted_filename", "Eelanalüüsi päring", "Jeffrey Hardy", "jeff@37signals.com",
     "Jeffrey Hardy <jeff@37signals.com>", "", {2009, 5, 13, 15, 42, 1}, 1, "", ""},
    {"mime4j-intl", "If you can read this you understand the example... so, cool!", "Keith Moore", "moore@cs.utk.edu",
     "Keld Jørn Simonsen <keld@dkuug.dk>", "André  Pirard <PIRARD@vm1.ulg.ac.be>", {0, 0, 0}, 0, "How's this?", ""},
    {"mime4j-german-qp", "Testnachricht", "Jörn Reder", "joern@zyn.de", " <joern@zyn.de>", "", {2005, 12, 21, 21, 2, 44}, 0,
     "Hallo,", ""},
    {"rubymail-header_fields_with_empty_values", "Testmail", "Jørn Støylen", "jorn@prikkprikkprikk.no",
     "AF Test <aftest@adfontesmedier.no>", "", {2009, 10, 30, 19, 7, 42}, 0, nullptr, ""},
    {"enmime-qp-utf8-header", "MIME UTF8 Test ¢ More Text", "James Hillyerd", "jamehi03@jamehi03lx.noa.com",
     "Mirosław Marczak <marczak@inbucket.com>", "", {2012, 10, 19, 19, 22, 49}, 0, nullptr, "<html>"},
    {"rubymail-raw_email_encoded_stack_level_too_deep", "Nicolas Fouché has accepted your invitation to Gmail", "Gmail Team",
     "gmail-noreply@google.com", "Nicolas Fouché <a.b@gmail.com>", "", {2005, 6, 28, 8, 2, 11}, 0, nullptr, "<font face=\"Arial, Helvetica, sans-serif\">"},
    {"mailparser-mail_test_18", nullptr, "LastßlName, FirstName", "comma.name@example.com",
     "tony.stark@example.com <tony.stark@example.com>", " <simple@example.net>; John \"Johnny\" Doe <john.doe@example.com>", {-1}, -1, nullptr,
     nullptr},
    {"rubymail-bad_subject", "MySurvey.com:  You have a survey waiting!  91123105", "MySurvey.com & Carol Adams", nullptr,
     nullptr, nullptr, {-1}, -1, nullptr, nullptr},
    {"enmime-incorrect-charset", "plain text", "James Hillyerd", "james@makita.skynet", " <greg@inbucket>", "",
     {2012, 10, 19, 5, 48, 39}, 0, "∮ E⋅da = Q,  n → ∞, ∑ f(i) = ∏ g(i)", ""},
    // Boundaries that extend their parent's.
    {"rubymail-email_with_similar_boundaries", "Xxxxxx", "Xxxxx", "xxxxxx@xxxxxxxx.xxx", " <xxxxxxx@xxxxxxxxxxx.xxx>", "",
     {2012, 4, 6, 1, 1, 1}, 1, nullptr, "<title>Test</title>"},
    {"mime4j-boundary-name-clash", "test", "", "", "", "", {0, 0, 0}, 1, nullptr, "Please see attachment for report Daily_Stats-2022-05-12-0700."},
    {"enmime-similar-boundary", "", "", "", "", "", {0, 0, 0}, 1, "Section one", "An HTML section"},
    {"gmime-substring_1", "this'll probably break a lot of mime parsers", "", "fejj@gnome.org", " <fejj@gnome.org>", "",
     {2002, 8, 23, 6, 32, 53}, 0, "Hello world.", ""},
    // Addresses: comments, groups, quoted names, entries without commas, the old syntax.
    {"python-msg_27", "bug demonstration 12345678911234567892123456789312345678941234567895123456789612345678971234567898112345678911234567892123456789112345678911234567892123456789 more text",
     "Anne P. Erson", "aperson@dom.ain", "Barney P. Erson <bperson@dom.ain>", "", {2002, 6, 5, 1, 46, 59}, 0, "test", ""},
    {"python-msg_01", nullptr, "John X. Doe", "bbb@ddd.com", nullptr, nullptr, {-1}, -1, nullptr, nullptr},
    {"mime4j-german", "Re: 34Mbit/s Netz", "Guenter Deuschle", "deuschle@mnh.telekom.de", "Juergen Specht <specht@kulturbox.de>",
     "", {1996, 6, 19, 16, 12, 2}, 0, "Hallo Herr Specht,", ""},
    {"rubymail-example03", "", "Joe Q. Public", "john.q.public@example.com",
     "Mary Smith <mary@x.test>;  <jdoe@example.org>; Who? <one@y.test>", " <boss@nil.test>; Giant; \"Big\" Box <sysservices@example.net>",
     {2003, 7, 1, 8, 52, 37}, 0, "Hi everyone.", ""},
    {"rubymail-example04", "", "Pete", "pete@silly.example", "Chris Jones <c@a.test>;  <joe@where.test>; John <jdoe@one.test>", "",
     {1969, 2, 14, 3, 2, 54}, 0, "Testing.", ""},
    {"rubymail-example10", "", "Pete", "pete@silly.test", "Chris Jones <c@public.example>;  <joe@example.org>; John <jdoe@one.test>",
     "", {1969, 2, 14, 3, 2, 0}, 0, "Testing.", ""},
    {"rubymail-example11", "", "Joe Q. Public", "john.q.public@example.com", "Mary Smith <mary@example.net>;  <jdoe@test.example>",
     "", {2003, 7, 1, 8, 52, 37}, 0, "Hi everyone.", ""},
    {"rubymail-example13", "Saying Hello", "John Doe", "jdoe@machine.example", nullptr, "", {1997, 11, 21, 15, 55, 6}, 0,
     "This is a message just to say hello.", ""},
    {"mime4j-obsolete", "The obsolete syntax allow spaces before the colon and also empty lines in folding.", nullptr, nullptr,
     nullptr, nullptr, {-1}, -1, nullptr, nullptr},
    {"rubymail-raw_email_multiple_from", "/home/svn/public/minebox revision 214", "", "tim@powerupdev.com",
     " <tim@powerupdev.com>;  <concierge@powerupdev.com>", "", {2007, 10, 22, 23, 45, 23}, 0, "<p><b>recordkick</b> 2007-10-22 23:45:23 +0000 (Mon, 22 Oct 2007)</p>", ""},
    {"enmime-malformed-multiple-address-header-values", "Test", "Bob Dunite", "bob@extern", " <alice@intern>", "", {0, 0, 0}, 2,
     "Simple text.", ""},
    {"mailparser-mail_test_19", "Test email with email address as display name", "alice@example.com", "bob@example.com",
     "Charlie Brown <charlie@example.com>;  <dave@example.com>", "eve@example.com <frank@example.com>", {2024, 1, 1, 12, 0, 0}, 0,
     "This email tests parsing of address headers", ""},
    {"mailparser-mail_test_10", nullptr, nullptr, nullptr, "", nullptr, {-1}, -1, nullptr, nullptr},
    {"rubymail-empty_group_lists", nullptr, nullptr, nullptr, "", nullptr, {-1}, -1, nullptr, nullptr},
    // Zone names.
    {"mime4j-basic-plain", "Simple Subject", "", "foo@example.com", " <bar@example.com>",
     " <recipient1@example.com>;  <recipient2@example.com>;  <localrecipient>", {1998, 2, 11, 17, 51, 0}, 0,
     "This is a very simple message", ""},
    {"mime4j-simple", "Request for Leave", "", "eryq@rhine.gsfc.nasa.gov", " <sitaram@selsvr.stx.com>",
     " <johnson@killians.gsfc.nasa.gov>;  <harvel@killians.gsfc.nasa.gov>;  <eryq>", {1995, 12, 21, 1, 59, 0}, 0,
     "I will be taking vacation", ""},
    {"rubymail-content_transfer_encoding_7-bit", "Discover(R) Card News Online - January 2002", "Discover Card",
     "discovercard_newsflash@discover.qrs1.net", " <emclaug@enron.com>", "", {2002, 1, 10, 2, 47, 50}, 0, nullptr, nullptr},
    {"mime4j-jt-0498", "Fwd: PC800: Tall Hondaline Windshield Distortion", "Gaffneydp", "Gaffneydp@aol.com", " <PC800@hpc.uh.edu>",
     "", {1998, 4, 30, 15, 28, 50}, 1, "Hello to all,", ""},
    {"mime4j-re-fwd", "Re: Fwd: hello world", "", "user2", " <user0>", "", {2000, 6, 6, 3, 20, 11}, 1, "This is the original message.", ""},
    // Signed, report and carried messages.
    {"enmime-mime-signed", "Multipart Signed", "James Hillyerd", "jamehi03@jamehi03lx.noa.com", " <greg@inbucket.com>", "",
     {2012, 10, 19, 19, 22, 49}, 2, "Section one", ""},
    {"rubymail-sig_only_email", "Re: Testing multipart/signed", "Test", "test@test.lindsaar.net", "Mikel <mikel@test.lindsaar.net>",
     "", {2007, 6, 4, 22, 1, 31}, 1, "This is random text, not what has been signed below", ""},
    {"rubymail-report_422", "Warning: could not send message for past 8 hours", "Mail Delivery Subsystem",
     "MAILER-DAEMON@tppppp.com.au", " <jennifer@sss.sssssss.net.au>", "", {2008, 1, 16, 16, 40, 52}, 2,
     "THIS IS A WARNING MESSAGE ONLY", ""},
    {"rubymail-multi_address_bounce1", "Undelivered Mail Returned to Sender", "Mail Delivery System", "MAILER-DAEMON@lvmail01.LL.com",
     " <rahul.chaudhari@LL.com>", "", {2010, 2, 24, 6, 16, 41}, 2, "This is the mail system at host lvmail01.LL.com.", ""},
    {"rubymail-multipart_report_multiple_status", "Mail System Error - Returned Mail", "Mail Administrator", "Postmaster@ci.com",
     " <notification+promo@blah.com>", "", {2010, 6, 29, 15, 42, 44}, 3, nullptr, "<!DOCTYPE html>"},
    {"mime4j-base64encoded-rfc822message", "a simple rfc822 message encoded in a base64 body.", "", "", "", "", {0, 0, 0}, 1,
     "Text body", ""},
    {"rubymail-attachment_message_rfc822", "testing", "", "foo@example.com", " <blah@example.com>", "", {2005, 6, 6, 20, 21, 22}, 1,
     "This is the first part.", ""},
    // Transfer encodings named in any case, parts without a type, Unix line ends.
    {"rubymail-raw_email_with_illegal_boundary", nullptr, nullptr, nullptr, nullptr, nullptr, {-1}, -1, nullptr,
     "<META http-equiv=Content-Type content=\"text/html; charset=iso-8859-1\">"},
    {"rubymail-cant_parse_from", nullptr, nullptr, nullptr, nullptr, nullptr, {-1}, -1, nullptr,
     "MacBook Pro that's thin and light, beautifully streamlined, and durable."},
    {"mime4j-multi-nested", nullptr, nullptr, nullptr, nullptr, nullptr, {-1}, -1, "Part 1 of the outer message.", nullptr},
    {"rubymail-raw_email_with_mimepart_without_content_type", nullptr, nullptr, nullptr, nullptr, nullptr, {-1}, 2,
     "THIS IS A WARNING MESSAGE ONLY", ""},
    {"rubymail-attachment_pdf_lf", nullptr, nullptr, nullptr, nullptr, nullptr, {-1}, 1,
     "Just attaching another PDF, here, to see what the message looks like,", nullptr},
};

std::string Joined(const std::vector<std::string>& lines) { return MailCodecs::LinesToText(lines); }

void ExpectBody(const std::vector<std::string>& lines, const char* piece, const char* what, const char* file) {
    if (!piece) return;
    if (!*piece)
        EXPECT_TRUE(lines.empty()) << file << ": " << what << " body expected none";
    else
        EXPECT_NE(Joined(lines).find(piece), std::string::npos) << file << ": " << what << " body lacks " << piece;
}

}  // namespace

TEST(MailCorpus, EveryMessageIsReadIntoValidText) {
    const std::vector<std::string> files = CorpusFiles();
    ASSERT_GE(files.size(), 300u) << "the mail corpus is missing: " << CorpusDir;
    int withBody = 0;
    for (const std::string& file : files) {
        std::string source;
        ASSERT_TRUE(FileSystem::TryReadFile(file, source)) << file;
        TMailMessage2000 msg;
        try {
            msg.LoadFromSource(source);
        } catch (const std::exception& e) {
            ADD_FAILURE() << file << ": " << e.what();
            continue;
        }
        msg.LocateTextParts();
        ExpectProgramText(msg.Subject(), "subject", file);
        ExpectProgramText(msg.SenderName(), "sender", file);
        ExpectProgramText(Entries(msg.ToRecipients) + Entries(msg.CcRecipients), "recipients", file);
        ExpectProgramText(Joined(msg.PlainTextLines), "plain text", file);
        ExpectProgramText(Joined(msg.HTMLTextLines), "HTML", file);
        for (const TMailPart* part : msg.Attachments) {
            EXPECT_EQ(part->SubParts.Count(), 0) << file;
            EXPECT_TRUE(part != msg.PlainTextPart && part != msg.HTMLTextPart) << file;
        }
        withBody += !msg.PlainTextLines.empty() || !msg.HTMLTextLines.empty();
    }
    // The rest hold only attachments, empty parts or no body at all.
    EXPECT_GE(withBody, 290);
}

TEST(MailCorpus, ReviewedMessagesFieldByField) {
    TestEnv::SetTimeZone("UTC");
    ASSERT_GE(std::size(Reviewed), 40u);
    for (const TReviewed& r : Reviewed) {
        SCOPED_TRACE(r.File);
        TMailMessage2000 msg;
        msg.LoadFromSource(ReadMessage(r.File));
        msg.LocateTextParts();
        if (r.Subject) EXPECT_EQ(msg.Subject(), r.Subject);
        if (r.FromName) EXPECT_EQ(msg.SenderName(), r.FromName);
        if (r.FromAddress) EXPECT_EQ(msg.SenderAddress(), r.FromAddress);
        if (r.To) EXPECT_EQ(Entries(msg.ToRecipients), r.To);
        if (r.Cc) EXPECT_EQ(Entries(msg.CcRecipients), r.Cc);
        if (r.Date.Year == 0) EXPECT_EQ(msg.MessageDate(), 0);
        if (r.Date.Year > 0) EXPECT_NEAR(msg.MessageDate(), DateTimeUtils::EncodeDateTime(r.Date), 1e-7);
        if (r.Attachments >= 0) EXPECT_EQ(msg.Attachments.Count(), r.Attachments);
        ExpectBody(msg.PlainTextLines, r.Plain, "plain", r.File);
        ExpectBody(msg.HTMLTextLines, r.Html, "HTML", r.File);
    }
}
