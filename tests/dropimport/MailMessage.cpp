#include "dropimport/MailMessage.h"

#include "dropimport/MailCodecs.h"
#include "platform/Exceptions.h"
#include "platform/Registry.h"
#include "platform/Strings.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>
#include <regex>

using namespace std::string_literals;

namespace {

using TLines = std::vector<std::string>;

// The lines joined by CR LF, without one after the last.
std::string Crlf(std::initializer_list<std::string> lines) {
    std::string text;
    bool first = true;
    for (const std::string& line : lines) {
        if (!first) text += "\r\n";
        first = false;
        text += line;
    }
    return text;
}

std::string Sample(const std::string& name) { return TestEnv::ReadFile(std::string(QB_TEST_DATA_DIR) + "/mail/" + name); }

// A message loaded and searched, as the drop target reads it.
struct TLoaded {
    TMailMessage2000 Msg;
    explicit TLoaded(const std::string& source) {
        Msg.LoadFromSource(source);
        Msg.LocateTextParts();
    }
};

int Depth(const TMailPart* part) {
    int depth = 0;
    for (; part->ParentPart; part = part->ParentPart) ++depth;
    return depth;
}

}  // namespace

TEST(MailSamples, AlternativeMessageGivesBothBodiesAndItsHeaders) {
    TLoaded m(Sample("alternative.eml"));
    TMailMessage2000& msg = m.Msg;
    EXPECT_EQ(msg.ContentType(), "multipart/alternative");
    EXPECT_EQ(msg.Boundary(), "----=_NextPart_000_0001");
    EXPECT_EQ(msg.HeaderValue("Content-Type"), "multipart/alternative");
    EXPECT_EQ(msg.RawBody, "This is a multi-part message in MIME format.\r\n\r\n");  // the preamble
    ASSERT_EQ(msg.SubParts.Count(), 2);
    EXPECT_EQ(msg.SubParts[0]->EnclosingBoundary, "----=_NextPart_000_0001");
    EXPECT_EQ(msg.SubParts[1]->ParentPart, &msg);
    EXPECT_EQ(msg.AlternativeContainer, &msg);
    EXPECT_EQ(msg.PlainTextPart, msg.SubParts[0]);
    EXPECT_EQ(msg.HTMLTextPart, msg.SubParts[1]);
    EXPECT_EQ(msg.PlainTextLines, (TLines{"Gr\xC3\xBC\xC3\x9F" "e aus Berlin.", "Zweite Zeile, weich umbrochen, damit sie passt."}));
    EXPECT_EQ(MailCodecs::LinesToText(msg.HTMLTextLines), "<html><body><p>Gr\xC3\xBC\xC3\x9F" "e aus <b>Berlin</b>.</p></body></html>\r\n");
    EXPECT_EQ(msg.Attachments.Count(), 0);

    EXPECT_EQ(msg.Subject(), "Gr\xC3\xBC\xC3\x9F" "eaus Berlin");  // no blank between adjacent encoded words
    EXPECT_EQ(msg.SenderName(), "Anna Berg");
    EXPECT_EQ(msg.SenderAddress(), "anna@example.org");
    ASSERT_EQ(msg.ToRecipients.Count(), 2);
    EXPECT_EQ(msg.ToRecipients.Name(0), "Smith, John");
    EXPECT_EQ(msg.ToRecipients.Address(1), "bob@example.net");
    ASSERT_EQ(msg.CcRecipients.Count(), 1);
    EXPECT_EQ(msg.CcRecipients.Name(0), "Ren\xC3\xA9");
    EXPECT_EQ(msg.BccRecipients.Count(), 0);
    EXPECT_EQ(msg.ToRecipients.Name(5), "");
    EXPECT_NEAR(msg.MessageDate(), DateTimeUtils::EncodeDateTime({2001, 3, 6, 8, 20, 30, 0}), 1e-7);
}

TEST(MailSamples, MixedWithAlternativeTakesBodiesFromTheAlternative) {
    TLoaded m(Sample("mixed_alternative.eml"));
    TMailMessage2000& msg = m.Msg;
    ASSERT_EQ(msg.SubParts.Count(), 2);  // the epilogue is dropped
    EXPECT_EQ(msg.MixedContainer, &msg);
    EXPECT_EQ(msg.AlternativeContainer, msg.SubParts[0]);
    EXPECT_EQ(msg.PlainTextLines, TLines{"Plain body"});
    EXPECT_EQ(msg.HTMLTextLines, TLines{"<p>HTML body</p>"});
    ASSERT_EQ(msg.Attachments.Count(), 1);
    TMailPart* pdf = msg.Attachments[0];
    EXPECT_EQ(pdf->HeaderParam("Content-Disposition", "filename"), "report.pdf");
    EXPECT_TRUE(pdf->DecodeBody());
    EXPECT_EQ(pdf->DecodedBody, "%PDF-1.4\n");
    EXPECT_EQ(msg.SenderName(), "");
    EXPECT_EQ(msg.SenderAddress(), "carl@example.com");
    EXPECT_NEAR(msg.MessageDate(), DateTimeUtils::EncodeDateTime({2024, 1, 15, 9, 0, 0, 0}), 1e-7);
}

TEST(MailSamples, RelatedPicturesAreEmbeddedAttachments) {
    TLoaded m(Sample("related.eml"));
    TMailMessage2000& msg = m.Msg;
    EXPECT_EQ(msg.RelatedContainer, msg.SubParts[1]);
    EXPECT_EQ(msg.PlainTextLines, TLines{"See the picture."});
    EXPECT_EQ(msg.HTMLTextLines, TLines{"<p>See <img src=\"cid:pic1\"></p>"});
    ASSERT_EQ(msg.Attachments.Count(), 1);
    EXPECT_TRUE(msg.Attachments[0]->IsEmbedded);
    EXPECT_EQ(msg.Attachments[0]->ContentType(), "image/png");
}

TEST(MailSamples, PlainMessageHasNoHtmlBody) {
    TLoaded m(Sample("plain.eml"));
    EXPECT_EQ(m.Msg.PlainTextLines, (TLines{"Only plain text here.", "Second line."}));
    EXPECT_TRUE(m.Msg.HTMLTextLines.empty());
    EXPECT_EQ(m.Msg.HTMLTextPart, nullptr);
}

TEST(MailSamples, SinglePartAttachmentIsTheMessageItself) {
    TLoaded m(Sample("attachment_only.eml"));
    ASSERT_EQ(m.Msg.Attachments.Count(), 1);
    EXPECT_EQ(m.Msg.Attachments[0], &m.Msg);
    EXPECT_FALSE(m.Msg.IsEmbedded);
    EXPECT_TRUE(m.Msg.PlainTextLines.empty());
}

TEST(MailUuencode, PlainMessageWithABlockBecomesMixed) {
    TLoaded m(Sample("uuencoded.eml"));
    TMailMessage2000& msg = m.Msg;
    EXPECT_EQ(msg.ContentType(), "multipart/mixed");
    EXPECT_TRUE(std::regex_match(msg.Boundary(), std::regex("boundary[0-9A-F]{8}"))) << msg.Boundary();
    ASSERT_EQ(msg.SubParts.Count(), 2);
    TMailPart* text = msg.SubParts[0];
    EXPECT_EQ(text->HeaderLines.Lines(), (TLines{"Content-Type: text/plain; charset=\"iso-8859-1\"",
                                                  "Content-Transfer-Encoding: quoted-printable"}));
    EXPECT_EQ(text->EnclosingBoundary, msg.Boundary());
    EXPECT_EQ(msg.PlainTextLines, (TLines{"Here is the file.", ""}));  // "Bye." after the block is dropped
    ASSERT_EQ(msg.Attachments.Count(), 1);
    TMailPart* file = msg.Attachments[0];
    EXPECT_EQ(file->HeaderValue("Content-Type"), "text/plain");  // from /etc/mime.types
    EXPECT_EQ(file->HeaderParam("Content-Type", "name"), "hello.txt");
    EXPECT_EQ(file->HeaderValue("Content-Disposition"), "attachment");
    EXPECT_EQ(file->HeaderParam("Content-Disposition", "filename"), "hello.txt");
    EXPECT_EQ(file->DecodedBody, "Hello, world!\n");
    EXPECT_EQ(MailCodecs::DecodeBase64Body(file->RawBody), "Hello, world!\n");
    EXPECT_EQ(msg.SenderName(), "Old Timer");
    EXPECT_NEAR(msg.MessageDate(), DateTimeUtils::EncodeDateTime({1999, 2, 3, 8, 15, 0, 0}), 1e-7);
}

TEST(MailUuencode, EveryBlockIsAnAttachmentTypedByTheRegistryFirst) {
    {
        TRegistry reg(THive::ClassesRoot);
        ASSERT_TRUE(reg.OpenKey(".qbx", true));
        reg.WriteString("Content Type", "application/x-quillbox-test");
        reg.CloseKey();
    }
    TMailMessage2000 msg;
    msg.Charset = "utf-8";
    msg.LoadFromSource(Crlf({"Subject: two files", "", "begin 644 one.qbx", "#86)C", "end", "between is dropped",
                             "begin 600   two words.unknownext  ", "#86)C"}));  // the second block has no end line
    msg.LocateTextParts();
    ASSERT_EQ(msg.SubParts.Count(), 3);
    EXPECT_EQ(msg.SubParts[0]->HeaderParam("Content-Type", "charset"), "utf-8");
    EXPECT_EQ(msg.SubParts[0]->RawBody, "");
    EXPECT_EQ(msg.SubParts[1]->HeaderValue("Content-Type"), "application/x-quillbox-test");
    EXPECT_EQ(msg.SubParts[2]->HeaderValue("Content-Type"), "application/octet-stream");
    EXPECT_EQ(msg.SubParts[2]->HeaderParam("Content-Type", "name"), "two words.unknownext");
    EXPECT_EQ(msg.SubParts[2]->DecodedBody, "abc");
    EXPECT_EQ(msg.Attachments.Count(), 3);  // the empty text part is no body
}

TEST(MailUuencode, OnlyBeginSixStartsABlockAndABadLineAbortsTheParse) {
    TLoaded m(Crlf({"Subject: x", "", "begin 755 script.sh", "text"}));
    EXPECT_EQ(m.Msg.SubParts.Count(), 0);
    EXPECT_EQ(m.Msg.PlainTextLines, (TLines{"begin 755 script.sh", "text"}));

    TMailMessage2000 msg;
    try {
        msg.LoadFromSource(Crlf({"Subject: x", "", "begin 644 a.bin", "#86)C", "this is not uucode", "end"}));
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "UUCODE message format error");
    }
}

TEST(MailParse, HeadersUnfoldAndTakeCanonicalForm) {
    TMailMessage2000 msg;
    msg.LoadFromSource(Crlf({" orphan continuation", "SUBJECT:  first", "\tsecond", "  third", "message-ID: <1@x>", "", "body"}));
    EXPECT_EQ(msg.HeaderLines.Lines(), (TLines{"orphan continuation", "Subject: first second third", "Message-ID: <1@x>"}));
    EXPECT_EQ(msg.RawBody, "body");
}

TEST(MailParse, LinesEndAtCrLfOnly) {
    TMailMessage2000 msg;
    msg.LoadFromSource("Subject: a\nTo: b\n\nbody\r\nFrom: c\r\n\r\nrest");
    EXPECT_EQ(msg.HeaderLines.Lines(), (TLines{"Subject: a\nTo: b\n\nbody", "From: c"}));
    EXPECT_EQ(msg.RawBody, "rest");
}

TEST(MailParse, SourcesWithoutStructure) {
    struct Case {
        std::string Source;
        size_t HeaderCount;
        std::string RawBody;
    };
    const Case cases[] = {
        {"", 0, ""},
        {"\r\nno headers at all", 0, "no headers at all"},
        {"Subject: only headers\r\nTo: x", 2, ""},
        {"Subject: x\r\n\r\n", 1, ""},
        {"Subject: nul\0inside\r\nContent-Type: text/plain\r\n\r\na\0b"s, 2, "a\0b"s},
    };
    for (const Case& c : cases) {
        TMailMessage2000 msg;
        msg.LoadFromSource(c.Source);
        EXPECT_EQ(msg.HeaderLines.Count(), c.HeaderCount) << c.Source;
        EXPECT_EQ(msg.RawBody, c.RawBody) << c.Source;
        EXPECT_EQ(msg.SubParts.Count(), 0);
    }
    TLoaded nul("Content-Type: text/plain\r\n\r\nbefore\0after"s);
    EXPECT_EQ(nul.Msg.PlainTextLines, TLines{"before"});
}

TEST(MailParse, MultipartBoundariesPreambleAndEnds) {
    // No closing line: the last part runs to the end. A boundary line is any line that starts
    // with "--" and the boundary.
    TMailMessage2000 open;
    open.LoadFromSource(Crlf({"Content-Type: multipart/mixed; boundary=b", "", "preamble", "--b", "", "one", "--b trailing text",
                              "Content-Type: text/plain", "", "two", ""}));
    ASSERT_EQ(open.SubParts.Count(), 2);
    EXPECT_EQ(open.RawBody, "preamble\r\n");
    EXPECT_EQ(open.SubParts[0]->HeaderLines.Count(), 0u);
    EXPECT_EQ(open.SubParts[0]->RawBody, "one");
    EXPECT_EQ(open.SubParts[1]->RawBody, "two\r\n");

    // After the closing line everything is epilogue, even lines that look like boundaries.
    TMailMessage2000 closed;
    closed.LoadFromSource(Crlf({"Content-Type: multipart/mixed; boundary=\"b\"", "", "--b", "", "one", "--b--", "--b", "", "late"}));
    ASSERT_EQ(closed.SubParts.Count(), 1);
    EXPECT_EQ(closed.RawBody, "");

    // Adjacent boundary lines give an empty part.
    TMailMessage2000 adjacent;
    adjacent.LoadFromSource(Crlf({"Content-Type: multipart/mixed; boundary=b", "", "--b", "--b", "", "x", "--b--"}));
    ASSERT_EQ(adjacent.SubParts.Count(), 2);
    EXPECT_EQ(adjacent.SubParts[0]->RawBody, "");
    EXPECT_EQ(adjacent.SubParts[1]->RawBody, "x");

    // Without a boundary parameter nothing is split.
    TMailMessage2000 noBoundary;
    noBoundary.LoadFromSource(Crlf({"Content-Type: multipart/mixed", "", "--", "--x", "text"}));
    EXPECT_EQ(noBoundary.SubParts.Count(), 0);
    EXPECT_EQ(noBoundary.RawBody, "--\r\n--x\r\ntext");
}

TEST(MailParse, AnOuterBoundaryEndsEveryPartInsideIt) {
    TLoaded m(Crlf({"Content-Type: multipart/mixed; boundary=out", "", "--out", "Content-Type: multipart/alternative; boundary=in",
                    "", "--in", "Content-Type: text/plain", "", "inner, never closed", "--out",
                    "Content-Type: multipart/related; boundary=ou", "", "--out", "Content-Type: text/html", "", "<b>last</b>",
                    "--out--"}));
    TMailMessage2000& msg = m.Msg;
    ASSERT_EQ(msg.SubParts.Count(), 3);
    ASSERT_EQ(msg.SubParts[0]->SubParts.Count(), 1);
    EXPECT_EQ(msg.SubParts[0]->SubParts[0]->RawBody, "inner, never closed");
    // "ou" is a prefix of "out", but the outer boundary is looked for first.
    EXPECT_EQ(msg.SubParts[1]->SubParts.Count(), 0);
    EXPECT_EQ(msg.SubParts[2]->RawBody, "<b>last</b>");
}

TEST(MailParse, DeepNestingIsBoundedAndNeverOverflows) {
    const auto nested = [](int depth) {
        std::string source;
        char boundary[16];
        for (int i = 0; i < depth; ++i) {
            std::snprintf(boundary, sizeof boundary, "b%05d", i);
            source += "Content-Type: multipart/mixed; boundary=" + std::string(boundary) + "\r\n\r\n--" + boundary + "\r\n";
        }
        return source + "Content-Type: text/html\r\n\r\n<p>deep</p>";
    };
    // Every level is split up to the bound; below it the multipart stays one raw part.
    const auto deepest = [](const TMailPart& msg) {
        const TMailPart* part = &msg;
        while (part->SubParts.Count() > 0) part = part->SubParts[0];
        return part;
    };
    TLoaded shallow(nested(60));
    EXPECT_EQ(Depth(deepest(shallow.Msg)), 60);
    EXPECT_EQ(deepest(shallow.Msg)->RawBody, "<p>deep</p>");

    TLoaded deep(nested(5000));
    const TMailPart* bottom = deepest(deep.Msg);
    EXPECT_EQ(Depth(bottom), 100);
    EXPECT_EQ(bottom->ContentType(), "multipart/mixed");
    EXPECT_TRUE(bottom->RawBody.ends_with("<p>deep</p>"));
    ASSERT_EQ(deep.Msg.Attachments.Count(), 1);
    EXPECT_EQ(deep.Msg.Attachments[0], bottom);
}

TEST(MailParse, AbsurdPartCountsFailCleanly) {
    const auto parts = [](int count) {
        std::string source = "Content-Type: multipart/mixed; boundary=b\r\n\r\n";
        for (int i = 0; i < count; ++i) source += "--b\r\n";
        return source;
    };
    TMailMessage2000 msg;
    msg.LoadFromSource(parts(100000));
    EXPECT_EQ(msg.SubParts.Count(), 100000);
    EXPECT_THROW(msg.LoadFromSource(parts(100001)), Exception);
    std::string headers;
    for (int i = 0; i < 1000001; ++i) headers += "X\r\n";
    EXPECT_THROW(msg.LoadFromSource(headers), Exception);
}

TEST(MailParse, TransferEncodingsIgnoreCaseAndIdentityBodiesStayRaw) {
    for (const auto& [encoding, expected] : std::vector<std::pair<std::string, std::string>>{
             {"base64", "<p>x</p>"}, {"Base64", "<p>x</p>"}, {"BASE64", "<p>x</p>"}, {"base64; x=y", "<p>x</p>"},
             {"quoted-printable", "a=b"}, {"Quoted-Printable", "a=b"}, {"7bit", "a=3Db"}, {"8bit", "a=3Db"},
             {"binary", "a=3Db"}, {"", "a=3Db"}}) {
        const std::string body = Strings::AsciiLower(encoding).starts_with("base64") ? "PHA+eDwvcD4=" : "a=3Db";
        TLoaded m(Crlf({"Content-Type: text/html", "Content-Transfer-Encoding: " + encoding, "", body}));
        EXPECT_EQ(m.Msg.HTMLTextLines, TLines{expected}) << encoding;
    }
}

TEST(MailParse, UucodeBodyIsReencodedAsBase64) {
    TMailMessage2000 msg;
    msg.LoadFromSource(Crlf({"Content-Type: application/x-data", "Content-Transfer-Encoding: uucode", "", "#86)C", "`"}));
    ASSERT_TRUE(msg.DecodeBody());
    EXPECT_EQ(msg.DecodedBody, "abc");
    EXPECT_EQ(msg.HeaderValue("Content-Transfer-Encoding"), "base64");
    EXPECT_EQ(msg.RawBody, "YWJj");
    msg.RawBody = "changed";
    EXPECT_TRUE(msg.DecodeBody());  // decoded once, until the next parse
    EXPECT_EQ(msg.DecodedBody, "abc");

    TMailMessage2000 bad;
    bad.LoadFromSource(Crlf({"Content-Type: text/plain", "Content-Transfer-Encoding: uucode", "", "not uucode"}));
    EXPECT_FALSE(bad.DecodeBody());
    bad.LocateTextParts();
    EXPECT_TRUE(bad.PlainTextLines.empty());
    EXPECT_EQ(bad.Attachments.Count(), 1);
}

TEST(MailTextSearch, MixedChildrenCountOnlyBeforeTheAlternative) {
    const auto load = [](bool plainFirst) {
        const std::string plain = "--m\r\nContent-Type: text/plain\r\n\r\noutside\r\n";
        const std::string alternative =
            "--m\r\nContent-Type: multipart/alternative; boundary=a\r\n\r\n--a\r\nContent-Type: text/plain\r\n\r\ninside\r\n"
            "--a\r\nContent-Type: text/html\r\n\r\n<i>html</i>\r\n--a--\r\n";
        auto msg = std::make_unique<TMailMessage2000>();
        msg->LoadFromSource("Content-Type: multipart/mixed; boundary=m\r\n\r\n" + (plainFirst ? plain + alternative : alternative + plain) +
                            "--m--");
        msg->LocateTextParts();
        return msg;
    };
    const auto first = load(true);
    EXPECT_EQ(first->PlainTextLines, TLines{"outside"});
    EXPECT_EQ(first->HTMLTextLines, TLines{"<i>html</i>"});
    EXPECT_EQ(first->Attachments.Count(), 1);  // the alternative's plain part
    const auto second = load(false);
    EXPECT_EQ(second->PlainTextLines, TLines{"inside"});
    ASSERT_EQ(second->Attachments.Count(), 1);
    EXPECT_EQ(second->Attachments[0]->RawBody, "outside");
}

TEST(MailTextSearch, RunsOncePerParse) {
    TMailMessage2000 msg;
    EXPECT_FALSE(msg.TextSearchPending);
    msg.LoadFromSource(Sample("plain.eml"));
    EXPECT_TRUE(msg.TextSearchPending && msg.RebuildPending && msg.RestructurePending);
    msg.LocateTextParts();
    EXPECT_FALSE(msg.TextSearchPending);
    msg.PlainTextLines.clear();
    msg.LocateTextParts();
    EXPECT_TRUE(msg.PlainTextLines.empty());
    msg.LoadFromSource(Sample("plain.eml"));
    msg.LocateTextParts();
    EXPECT_EQ(msg.PlainTextLines.size(), 2u);
}

TEST(MailParse, ProgressReportsEveryLineOfTheMessageOnly) {
    TMailMessage2000 msg;
    std::vector<std::pair<std::int64_t, std::int64_t>> reports;
    msg.OnProgress = [&](TMailPart* sender, std::int64_t total, std::int64_t position) {
        EXPECT_EQ(sender, &msg);
        reports.emplace_back(total, position);
    };
    const std::string source = Crlf({"Subject: x", "", "line"});
    msg.LoadFromSource(source);
    const std::int64_t n = static_cast<std::int64_t>(source.size());
    EXPECT_EQ(reports, (std::vector<std::pair<std::int64_t, std::int64_t>>{{n, 0}, {n, 12}, {n, 14}, {n, n}, {n, n}}));

    reports.clear();
    auto* sub = new TMailPart(&msg);
    msg.SubParts.Add(sub);
    sub->ParseSource(source, true);
    EXPECT_EQ(sub->RawBody, "line");
    EXPECT_TRUE(reports.empty());
}

TEST(MailParse, PartWithoutMessageCannotBeParsed) {
    TMailPart part(nullptr);
    part.Name = "MailPart1";
    try {
        part.ParseSource("Subject: x", true);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "MailPart1: TMailPart must be owned by a TMailMessage2000");
    }
}

TEST(MailParse, SourceTakenFromItsOwnTreeIsSafe) {
    TMailMessage2000 msg;
    msg.LoadFromSource(Sample("mixed_alternative.eml"));
    msg.ParseSource(msg.SubParts[1]->RawBody, false);
    EXPECT_EQ(msg.RawBody, "JVBERi0xLjQK");
}

TEST(MailRecipientLists, FollowTheHeaderLines) {
    TMailMessage2000 msg;
    msg.LoadFromSource("To: a@b.org\r\n\r\n");
    ASSERT_EQ(msg.ToRecipients.Count(), 1);
    EXPECT_EQ(msg.ToRecipients.Address(0), "a@b.org");
    msg.LoadFromSource("To: c@d.org\r\n\r\n");  // same length, different header
    EXPECT_EQ(msg.ToRecipients.Address(0), "c@d.org");
    msg.HeaderLines.SetValue("To", "x@y.org, z@y.org");
    EXPECT_EQ(msg.ToRecipients.Count(), 2);
    EXPECT_EQ(msg.ToRecipients.HeaderName(), "To");
}

TEST(MailParse, NestedBoundariesThatExtendTheirParentStayInside) {
    struct Case {
        std::string Outer, Inner;
    };
    for (const Case& c : {Case{"----=_NextPart_X", "----=_NextPart_X_alt"}, Case{"boundary.1", "boundary.1-1"},
                          Case{"=_abc", "=_abc=_def"}}) {
        TLoaded m(Crlf({"Content-Type: multipart/mixed; boundary=\"" + c.Outer + "\"", "", "--" + c.Outer,
                        "Content-Type: multipart/alternative; boundary=\"" + c.Inner + "\"", "", "--" + c.Inner,
                        "Content-Type: text/plain", "", "plain", "--" + c.Inner, "Content-Type: text/html", "", "<p>html</p>",
                        "--" + c.Inner + "--", "", "--" + c.Outer, "Content-Type: image/png", "", "png", "--" + c.Outer + "--  "}));
        TMailMessage2000& msg = m.Msg;
        ASSERT_EQ(msg.SubParts.Count(), 2) << c.Inner;
        EXPECT_EQ(msg.SubParts[0]->SubParts.Count(), 2) << c.Inner;
        EXPECT_EQ(msg.PlainTextLines, TLines{"plain"}) << c.Inner;
        EXPECT_EQ(msg.HTMLTextLines, TLines{"<p>html</p>"}) << c.Inner;
        ASSERT_EQ(msg.Attachments.Count(), 1) << c.Inner;
        EXPECT_EQ(msg.Attachments[0]->RawBody, "png") << c.Inner;
    }
    // Text after a blank on a boundary line is ignored; text straight after the boundary makes
    // no boundary line.
    TMailMessage2000 msg;
    msg.LoadFromSource(Crlf({"Content-Type: multipart/mixed; boundary=b", "", "--b ignored", "", "one", "--bx", "--b--\tend"}));
    ASSERT_EQ(msg.SubParts.Count(), 1);
    EXPECT_EQ(msg.SubParts[0]->RawBody, "one\r\n--bx");
}

TEST(MailParse, UnixLineEndsWhenTheSourceHasNoCrLf) {
    TLoaded m("Subject: lf\nContent-Type: multipart/alternative; boundary=b\n\npre\n--b\nContent-Type: text/plain\n\n"
              "a\nb\n--b\nContent-Type: text/html\n\n<p>x</p>\n--b--\n");
    EXPECT_EQ(m.Msg.Subject(), "lf");
    EXPECT_EQ(m.Msg.RawBody, "pre\n");
    ASSERT_EQ(m.Msg.SubParts.Count(), 2);
    EXPECT_EQ(m.Msg.SubParts[0]->RawBody, "a\nb");
    EXPECT_EQ(m.Msg.PlainTextLines, (TLines{"a", "b"}));
    EXPECT_EQ(m.Msg.HTMLTextLines, TLines{"<p>x</p>"});
}

TEST(MailTextSearch, BodiesAreConvertedFromTheirCharset) {
    struct Case {
        std::string ContentType, Encoding, Body;
        TLines Lines;
    };
    const Case cases[] = {
        {"text/plain; charset=iso-8859-1", "quoted-printable", "caf=E9 =80", {"caf\xC3\xA9 \xE2\x82\xAC"}},
        {"text/plain; charset=\"KOI8-R\"", "8bit", "\xDA\xCF\xCC\xCF\xD4\xCF", {"\xD0\xB7\xD0\xBE\xD0\xBB\xD0\xBE\xD1\x82\xD0\xBE"}},
        {"text/plain; charset*=utf-8''x", "8bit", "\xC3\xA9", {"\xC3\xA9"}},
        {"text/plain", "8bit", "caf\xC3\xA9", {"caf\xC3\xA9"}},                // undeclared, valid UTF-8
        {"text/plain", "8bit", "caf\xE9", {"caf\xC3\xA9"}},                    // undeclared, not UTF-8
        {"text/plain; charset=us-ascii", "8bit", "caf\xE9", {"caf\xC3\xA9"}},  // ASCII that is not
        {"text/plain; charset=x-no-such-set", "8bit", "caf\xE9", {"caf\xE9"}},  // bytes kept
        {"text/plain; charset=utf-8", "8bit", "a\xFF" "b", {"a\xEF\xBF\xBD" "b"}},
        // UTF-16 has NUL bytes; the text ends at a NUL only after conversion.
        {"text/plain; charset=utf-16", "base64", "//5oAGkACgB5AA==", {"hi", "y"}},
        {"text/plain; charset=utf-16", "base64", "AGgAaQ==", {"\xE6\xA0\x80\xE6\xA4\x80"}},  // no BOM: little-endian
        {"text/html; charset=shift_jis", "base64", "g2WDWINn", {"\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88"}},
    };
    for (const Case& c : cases) {
        TLoaded m(Crlf({"Content-Type: " + c.ContentType, "Content-Transfer-Encoding: " + c.Encoding, "", c.Body}));
        const TLines& lines = c.ContentType.starts_with("text/html") ? m.Msg.HTMLTextLines : m.Msg.PlainTextLines;
        EXPECT_EQ(lines, c.Lines) << c.ContentType << " " << c.Body;
    }
}

TEST(MailTextSearch, PartsWithoutAUsableTypeArePlainText) {
    TLoaded m(Crlf({"Content-Type: multipart/mixed; boundary=b", "", "--b", "", "no headers", "--b",
                    "Content-Type: text/html", "", "<b>x</b>", "--b--"}));
    EXPECT_EQ(m.Msg.SubParts[0]->ContentType(), "text/plain");
    EXPECT_EQ(m.Msg.PlainTextLines, TLines{"no headers"});
    EXPECT_EQ(m.Msg.HTMLTextLines, TLines{"<b>x</b>"});

    TLoaded bad(Crlf({"Content-Type: text", "", "a body"}));
    EXPECT_EQ(bad.Msg.PlainTextLines, TLines{"a body"});
}

TEST(MailTextSearch, SignedReportAndUnknownMultipartsHaveBodies) {
    struct Case {
        std::string Type;
        std::string Second;
    };
    for (const Case& c : {Case{"multipart/signed; protocol=\"application/pgp-signature\"", "application/pgp-signature"},
                          Case{"multipart/report; report-type=delivery-status", "message/delivery-status"},
                          Case{"multipart/x-private", "application/octet-stream"}}) {
        TLoaded m(Crlf({"Content-Type: " + c.Type + "; boundary=s", "", "--s", "Content-Type: text/plain", "",
                        "the text", "--s", "Content-Type: " + c.Second, "", "other", "--s--"}));
        EXPECT_EQ(m.Msg.PlainTextLines, TLines{"the text"}) << c.Type;
        ASSERT_EQ(m.Msg.Attachments.Count(), 1) << c.Type;
        EXPECT_EQ(m.Msg.Attachments[0]->ContentType(), c.Second) << c.Type;
    }
    // The signed content is itself an alternative.
    TLoaded signedAlt(Crlf({"Content-Type: multipart/signed; boundary=s", "", "--s", "Content-Type: multipart/alternative; boundary=a",
                            "", "--a", "Content-Type: text/plain", "", "p", "--a", "Content-Type: text/html", "", "<p>h</p>",
                            "--a--", "--s", "Content-Type: application/pkcs7-signature", "", "sig", "--s--"}));
    EXPECT_EQ(signedAlt.Msg.HTMLTextLines, TLines{"<p>h</p>"});
    EXPECT_EQ(signedAlt.Msg.Attachments.Count(), 1);
}

TEST(MailTextSearch, ACarriedMessageGivesTheTextOnlyWhenTheOuterHasNone) {
    const std::string inner = "Subject: inner\r\nContent-Type: text/html; charset=iso-8859-1\r\n\r\n<p>caf\xE9</p>";
    TLoaded forwarded(Crlf({"Subject: Fwd", "Content-Type: multipart/mixed; boundary=m", "", "--m",
                            "Content-Type: message/rfc822", "", inner, "--m--"}));
    EXPECT_EQ(forwarded.Msg.Subject(), "Fwd");
    EXPECT_EQ(forwarded.Msg.HTMLTextLines, TLines{"<p>caf\xC3\xA9</p>"});
    ASSERT_EQ(forwarded.Msg.Attachments.Count(), 1);  // the carried message stays one attachment
    EXPECT_EQ(forwarded.Msg.Attachments[0]->ContentType(), "message/rfc822");
    EXPECT_EQ(forwarded.Msg.HTMLTextPart->ParentPart, forwarded.Msg.Attachments[0]);

    TLoaded own(Crlf({"Content-Type: multipart/mixed; boundary=m", "", "--m", "Content-Type: text/plain", "", "see below",
                      "--m", "Content-Type: message/rfc822", "", inner, "--m--"}));
    EXPECT_EQ(own.Msg.PlainTextLines, TLines{"see below"});
    EXPECT_TRUE(own.Msg.HTMLTextLines.empty());

    // A whole message that is a base64-encoded message, two levels deep.
    const std::string level2 = MailCodecs::EncodeBase64("Content-Type: text/plain\r\n\r\ndeep");
    const std::string level1 = MailCodecs::EncodeBase64("Content-Type: message/rfc822\r\nContent-Transfer-Encoding: base64\r\n\r\n" + level2);
    TLoaded nested(Crlf({"Content-Type: message/rfc822", "Content-Transfer-Encoding: BASE64", "", level1}));
    EXPECT_EQ(nested.Msg.PlainTextLines, TLines{"deep"});
    EXPECT_FALSE(nested.Msg.TextSearchPending);
}

TEST(MailParse, BodiesPointIntoTheSourceAndAreNeverCopied) {
    const std::string source = Sample("mixed_alternative.eml");
    const auto inside = [&](std::string_view body) { return body.data() >= source.data() && body.data() < source.data() + source.size(); };
    TMailMessage2000 inPlace;
    inPlace.LoadFromSourceInPlace(source);
    inPlace.LocateTextParts();
    TMailMessage2000 copied;
    copied.LoadFromSource(source);
    copied.LocateTextParts();
    ASSERT_EQ(inPlace.Attachments.Count(), 1);
    EXPECT_TRUE(inside(inPlace.Attachments[0]->RawBody));
    EXPECT_FALSE(inside(copied.Attachments[0]->RawBody));
    EXPECT_EQ(inPlace.Attachments[0]->RawBody, copied.Attachments[0]->RawBody);
    EXPECT_EQ(inPlace.HTMLTextLines, copied.HTMLTextLines);
    EXPECT_FALSE(inPlace.Attachments[0]->BodyDecoded);  // nobody asked for the attachment's bytes
}
