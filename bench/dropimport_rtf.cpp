// RTF to note HTML: a 10 MB text-heavy document as Word writes it (formatting groups, accents
// in hex, Unicode characters, links, tables), a 10 MB document that is mostly pictures
// (PNG and JPEG saved as they are, Windows metafiles played into bitmaps), and the real
// documents of the shared corpus, all converted once per iteration.
#include "BenchEnvironment.h"
#include "dropimport/RVHTMLWriter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <jpeglib.h>
#include <sstream>
#include <vector>
#include <random>
#include <string>

namespace {

constexpr size_t DocumentSize = 10u << 20;

const char* const Header =
    "{\\rtf1\\adeflang1025\\ansi\\ansicpg1252\\uc1\\adeff31507\\deff0{\\fonttbl{\\f0\\fbidi \\froman\\fcharset0\\fprq2"
    "{\\*\\panose 02020603050405020304}Times New Roman;}{\\f37\\fbidi \\fswiss\\fcharset0\\fprq2 Calibri;}}"
    "{\\colortbl;\\red0\\green0\\blue0;\\red5\\green99\\blue193;\\red192\\green0\\blue0;}"
    "{\\stylesheet{\\ql \\li0\\ri0\\sa160\\sl259\\slmult1 \\f37\\fs22 \\snext0 Normal;}}"
    "{\\info{\\title Benchmark}{\\author Quillbox}}\\paperw12240\\paperh15840\\margl1440\\margr1440\n";

std::string Paragraph(int i) {
    const std::string n = std::to_string(i);
    return "\\pard\\plain \\ltrpar\\ql \\li0\\ri0\\sa160\\sl259\\slmult1\\widctlpar\\itap0 \\rtlch\\fcs1 \\af31507\\afs22 "
           "\\ltrch\\fcs0 \\f37\\fs22\\lang1033 {\\rtlch\\fcs1 \\af31507 \\ltrch\\fcs0 \\insrsid1 Paragraph " + n +
           " of the report: sales in Z\\'fcrich and M\\'fcnchen grew while caf\\'e9 cr\\'e8me prices fell }"
           "{\\rtlch\\fcs1 \\af31507 \\ltrch\\fcs0 \\b\\insrsid1 by " + n + "\\'a0%}{\\rtlch\\fcs1 \\af31507 \\ltrch\\fcs0 "
           "\\insrsid1 \\u8212\\'97 see http://example.com/report?id=" + n + " for \\u8220\\'93details\\u8221\\'94 and "
           "{\\i the appendix}, {\\cf3 marked in red}.\n\\par }";
}

std::string TableRow(int i) {
    const std::string n = std::to_string(i);
    return "\\trowd \\trgaph108\\trleft-108\\trbrdrt\\brdrs\\brdrw10 \\trbrdrb\\brdrs\\brdrw10 \\clbrdrt\\brdrs\\brdrw10 "
           "\\cellx4567\\clbrdrt\\brdrs\\brdrw10 \\cellx9242\\pard\\plain \\intbl {Region " + n + "\\cell Total " + n +
           "\\cell }\\pard\\plain \\intbl {\\trowd \\trgaph108\\cellx4567\\cellx9242\\row }\n";
}

std::string TextDocument() {
    std::string rtf = Header;
    for (int i = 0; rtf.size() < DocumentSize; ++i) rtf += i % 20 == 19 ? TableRow(i) : Paragraph(i);
    return rtf + "}";
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2 + bytes.size() / 64);
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        hex += digits[b >> 4];
        hex += digits[b & 15];
        if (i % 64 == 63) hex += '\n';
    }
    return hex;
}

void Put16(std::string& out, std::uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

// A metafile of many filled rectangles, about 12 KB.
std::string Metafile() {
    std::string records;
    const auto record = [&](std::uint32_t function, std::initializer_list<std::uint32_t> params) {
        Put16(records, 3 + params.size());
        Put16(records, 0);
        Put16(records, function);
        for (std::uint32_t p : params) Put16(records, p);
    };
    record(0x020B, {0, 0});        // window origin
    record(0x020C, {1000, 1000});  // window extent
    record(0x02FC, {0, 0x00CC, 0x0033, 0});  // solid brush
    record(0x012D, {0});
    for (int i = 0; i < 1000; ++i) {
        const std::uint32_t x = (i * 37) % 900, y = (i * 53) % 900;
        record(0x041B, {y + 80, x + 80, y, x});
    }
    record(0, {});
    std::string wmf;
    for (std::uint32_t v : {1u, 9u, 0x300u}) Put16(wmf, v);
    const std::uint32_t words = static_cast<std::uint32_t>((18 + records.size()) / 2);
    Put16(wmf, words & 0xFFFF);
    Put16(wmf, words >> 16);
    for (std::uint32_t v : {1u, 7u, 0u, 0u}) Put16(wmf, v);
    return wmf + records;
}

// A real 320 x 200 JPEG from libjpeg.
std::string Jpeg() {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = 320;
    info.image_height = 200;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    std::string row(320 * 3, '\0');
    while (info.next_scanline < info.image_height) {
        for (size_t x = 0; x < row.size(); ++x) row[x] = static_cast<char>((x + info.next_scanline) & 0xFF);
        JSAMPROW line = reinterpret_cast<JSAMPROW>(row.data());
        jpeg_write_scanlines(&info, &line, 1);
    }
    jpeg_finish_compress(&info);
    std::string jpeg(reinterpret_cast<const char*>(out), size);
    jpeg_destroy_compress(&info);
    std::free(out);
    return jpeg;
}

// A picture file padded with random bytes to the given size: the writer reads only the
// header and saves the bytes as they are.
std::string Padded(std::string bytes, size_t size, unsigned seed) {
    std::mt19937 random(seed);
    while (bytes.size() < size) bytes += static_cast<char>(random());
    return bytes;
}

std::string PictureDocument() {
    const std::string wmf = Hex(Metafile());
    const std::string png = Hex(Padded(std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\x01\x00\0\0\0\xC0\x08\x02\0\0\0", 29), 96u << 10, 1));
    const std::string jpeg = Hex(Padded(Jpeg(), 96u << 10, 2));
    std::string rtf = Header;
    for (int i = 0; rtf.size() < DocumentSize; ++i) {
        rtf += Paragraph(i);
        rtf += "{\\*\\shppict{\\pict\\picw5292\\pich5292\\pngblip\n" + png + "}}{\\nonshppict{\\pict\\picw5292\\pich5292"
               "\\picwgoal3000\\pichgoal3000\\wmetafile8\n" + wmf + "}}\\par\n";
        rtf += "{\\pict\\jpegblip\\picw320\\pich200\n" + jpeg + "}\\par\n";
        rtf += "{\\pict\\pngblip\\picw256\\pich192\n" + png + "}\\par\n";
    }
    return rtf + "}";
}

void Convert(benchmark::State& state, const std::string& rtf) {
    TRVHTMLOptions options;
    options.PictureFolder = BenchEnv::MakeTempDir("rtf-pictures");
    TRVHTMLWriter writer;
    for (auto _ : state) benchmark::DoNotOptimize(writer.ConvertAnsi(rtf, options));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rtf.size()));
}

void BM_RtfTextHeavy(benchmark::State& state) {
    static const std::string rtf = TextDocument();
    Convert(state, rtf);
}
BENCHMARK(BM_RtfTextHeavy)->Unit(benchmark::kMillisecond);

void BM_RtfWithPictures(benchmark::State& state) {
    static const std::string rtf = PictureDocument();
    Convert(state, rtf);
}
BENCHMARK(BM_RtfWithPictures)->Unit(benchmark::kMillisecond);

// The same text document through the wide entry the drop target calls.
void BM_RtfTextHeavyWide(benchmark::State& state) {
    static const std::string narrow = TextDocument();
    static const std::u16string rtf(narrow.begin(), narrow.end());
    TRVHTMLOptions options;
    options.PictureFolder = BenchEnv::MakeTempDir("rtf-wide");
    TRVHTMLWriter writer;
    for (auto _ : state) {
        std::u16string text = rtf;
        writer.Convert(text, options);
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rtf.size()));
}
BENCHMARK(BM_RtfTextHeavyWide)->Unit(benchmark::kMillisecond);

// Every document of the corpus, read once. A document that does not convert still counts:
// the time spent on it is part of what a drop costs.
void BM_RtfCorpus(benchmark::State& state) {
    static const std::vector<std::string> documents = [] {
        std::vector<std::filesystem::path> paths;
        for (const auto& entry : std::filesystem::directory_iterator(QB_REALRTF_DIR)) paths.push_back(entry.path());
        std::sort(paths.begin(), paths.end());
        std::vector<std::string> texts;
        for (const auto& path : paths) {
            std::ifstream file(path, std::ios::binary);
            std::ostringstream bytes;
            bytes << file.rdbuf();
            texts.push_back(bytes.str());
        }
        return texts;
    }();
    if (documents.empty()) {
        state.SkipWithError("the RTF corpus " QB_REALRTF_DIR " is missing");
        return;
    }
    TRVHTMLOptions options;
    options.PictureFolder = BenchEnv::MakeTempDir("rtf-corpus");
    TRVHTMLWriter writer;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        for (const std::string& rtf : documents) {
            try {
                benchmark::DoNotOptimize(writer.ConvertAnsi(rtf, options));
            } catch (const std::exception&) {
            }
            bytes += static_cast<std::int64_t>(rtf.size());
        }
    }
    state.SetBytesProcessed(bytes);
    state.counters["documents"] = static_cast<double>(documents.size());
}
BENCHMARK(BM_RtfCorpus)->Unit(benchmark::kMillisecond);

}  // namespace
