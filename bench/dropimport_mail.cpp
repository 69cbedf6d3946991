// Mail message parsing: one large message (an HTML body and a base64 attachment, about 10 MB),
// many small ones, and the real messages of ../shared/realmail/msgs (all of them, and the
// largest alone), each loaded, searched for its bodies and read as the drop target does.
#include "dropimport/MailCodecs.h"
#include "dropimport/MailMessage.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace {

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

std::string HtmlText(size_t size) {
    std::string html = "<html><body>\r\n";
    for (int i = 0; html.size() < size; ++i)
        html += "<p>Paragraph " + std::to_string(i) + " with <b>bold</b> text, caf\xE9 cr\xE8me and a link "
                "<a href=\"http://example.com/page?id=" + std::to_string(i) + "\">here</a>.</p>\r\n";
    return html + "</body></html>\r\n";
}

std::string LargeMessage() {
    const std::string html = MailCodecs::EncodeQuotedPrintable(HtmlText(2u << 20));
    const std::string attachment = MailCodecs::EncodeBase64(RandomBytes(6u << 20, 1));
    return "From: \"Anna Berg\" <anna@example.org>\r\nTo: bob@example.net\r\nSubject: Large\r\n"
           "Date: Tue, 6 Mar 2001 10:20:30 +0200\r\nContent-Type: multipart/mixed; boundary=\"outer\"\r\n\r\n"
           "--outer\r\nContent-Type: multipart/alternative; boundary=\"inner\"\r\n\r\n"
           "--inner\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\nSee the HTML.\r\n"
           "--inner\r\nContent-Type: text/html; charset=\"iso-8859-1\"\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n" +
           html + "\r\n--inner--\r\n\r\n--outer\r\nContent-Type: application/octet-stream; name=\"data.bin\"\r\n"
           "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"data.bin\"\r\n\r\n" +
           attachment + "\r\n--outer--\r\n";
}

std::string SmallMessage(int i) {
    const std::string n = std::to_string(i);
    return "Return-Path: <sender" + n + "@example.org>\r\nFrom: =?iso-8859-1?Q?J=F6rg_Sender?= <sender" + n +
           "@example.org>\r\nTo: \"Smith, John\" <john@example.com>, bob@example.net,\r\n\tcarol@example.com\r\n"
           "Cc: team@example.com\r\nSubject: =?utf-8?B?R3LDvMOfZQ==?= number " + n +
           "\r\nDate: Tue, 6 Mar 2001 10:20:30 +0200\r\nMessage-ID: <" + n + "@example.org>\r\nMIME-Version: 1.0\r\n"
           "Content-Type: multipart/alternative; boundary=\"----=_NextPart_" + n + "\"\r\n\r\n"
           "This is a multi-part message in MIME format.\r\n\r\n------=_NextPart_" + n +
           "\r\nContent-Type: text/plain; charset=\"iso-8859-1\"\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
           "Hello,=20this is message " + n + ".\r\nSecond line with caf=E9.\r\n\r\n------=_NextPart_" + n +
           "\r\nContent-Type: text/html; charset=\"iso-8859-1\"\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
           "<html><body><p>Hello, this is message " + n + ".</p><p>Second line with caf=E9.</p></body></html>\r\n\r\n"
           "------=_NextPart_" + n + "--\r\n";
}

void ReadFields(TMailMessage2000& msg) {
    benchmark::DoNotOptimize(msg.Subject());
    benchmark::DoNotOptimize(msg.SenderName());
    benchmark::DoNotOptimize(msg.SenderAddress());
    benchmark::DoNotOptimize(msg.MessageDate());
    for (int i = 0; i < msg.ToRecipients.Count(); ++i) benchmark::DoNotOptimize(msg.ToRecipients.Name(i));
    for (int i = 0; i < msg.CcRecipients.Count(); ++i) benchmark::DoNotOptimize(msg.CcRecipients.Address(i));
}

// What the drop target and quillbox-cli mail do: parse, find the bodies, read the header table.
void ReadAsNote(const std::string& source) {
    TMailMessage2000 msg;
    msg.LoadFromSource(source);
    msg.LocateTextParts();
    ReadFields(msg);
    benchmark::DoNotOptimize(msg.HTMLTextLines.data());
}

// The 10 MB message as a note: its attachment is neither decoded nor converted. With
// QB_MAIL_LARGE_OUT set, the message is also written to that file (bench/gmime/compare.sh
// times quillbox-cli and GMime on it).
void BM_MailLargeMessageAsNote(benchmark::State& state) {
    const std::string source = LargeMessage();
    if (const char* out = std::getenv("QB_MAIL_LARGE_OUT")) FileSystem::WriteFileAtomic(out, source);
    for (auto _ : state) ReadAsNote(source);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.size()));
}
BENCHMARK(BM_MailLargeMessageAsNote)->Unit(benchmark::kMillisecond);

// The real messages, sorted by name; the set is empty when the folder is missing.
const std::vector<std::string>& CorpusSources() {
    static const std::vector<std::string> sources = [] {
        std::vector<std::string> files, result;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(QB_REALMAIL_DIR, error))
            if (entry.path().extension() == ".eml") files.push_back(entry.path().string());
        std::sort(files.begin(), files.end());
        for (const std::string& file : files) {
            std::string source;
            if (FileSystem::TryReadFile(file, source)) result.push_back(std::move(source));
        }
        return result;
    }();
    return sources;
}

void BM_MailCorpusAsNotes(benchmark::State& state) {
    const std::vector<std::string>& sources = CorpusSources();
    if (sources.empty()) state.SkipWithError("no messages in " QB_REALMAIL_DIR);
    size_t bytes = 0;
    for (const std::string& source : sources) bytes += source.size();
    for (auto _ : state)
        for (const std::string& source : sources) ReadAsNote(source);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * sources.size()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_MailCorpusAsNotes)->Unit(benchmark::kMillisecond);

// The largest real message (1.5 MB, Unix line ends).
void BM_MailCorpusLargestAsNote(benchmark::State& state) {
    const std::vector<std::string>& sources = CorpusSources();
    if (sources.empty()) state.SkipWithError("no messages in " QB_REALMAIL_DIR);
    const std::string empty;
    const std::string& largest = sources.empty() ? empty
        : *std::max_element(sources.begin(), sources.end(), [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
    for (auto _ : state) ReadAsNote(largest);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * largest.size()));
}
BENCHMARK(BM_MailCorpusLargestAsNote)->Unit(benchmark::kMillisecond);

// Parses, finds the bodies and decodes the attachment.
void BM_MailLargeMessage(benchmark::State& state) {
    const std::string source = LargeMessage();
    for (auto _ : state) {
        TMailMessage2000 msg;
        msg.LoadFromSource(source);
        msg.LocateTextParts();
        for (TMailPart* part : msg.Attachments) part->DecodeBody();
        ReadFields(msg);
        if (msg.HTMLTextLines.empty() || msg.Attachments.Count() != 1) state.SkipWithError("message not read");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.size()));
    state.counters["MB"] = static_cast<double>(source.size()) / (1 << 20);
}
BENCHMARK(BM_MailLargeMessage)->Unit(benchmark::kMillisecond);

// The part tree alone: one walk over the source.
void BM_MailLargeMessageParseOnly(benchmark::State& state) {
    const std::string source = LargeMessage();
    for (auto _ : state) {
        TMailMessage2000 msg;
        msg.LoadFromSource(source);
        benchmark::DoNotOptimize(msg.SubParts.Count());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.size()));
}
BENCHMARK(BM_MailLargeMessageParseOnly)->Unit(benchmark::kMillisecond);

void BM_MailSmallMessages(benchmark::State& state) {
    std::vector<std::string> sources;
    size_t bytes = 0;
    for (int i = 0; i < 10000; ++i) {
        sources.push_back(SmallMessage(i));
        bytes += sources.back().size();
    }
    for (auto _ : state) {
        for (const std::string& source : sources) {
            TMailMessage2000 msg;
            msg.LoadFromSource(source);
            msg.LocateTextParts();
            ReadFields(msg);
            benchmark::DoNotOptimize(msg.HTMLTextLines.data());
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * sources.size()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_MailSmallMessages)->Unit(benchmark::kMillisecond);

}  // namespace
