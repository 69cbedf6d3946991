#pragma once
// TRVHTMLWriter: turns an RTF document into the HTML body of a note. It listens to the text
// runs, pictures and notes of its TRVRTFReader; tables, borders, shading, styles, headers and
// footers are dropped. Hyperlink fields become links; footnotes and endnotes follow the body,
// linked with their numbers. Pictures are written as files into a picture folder and referred
// to by bare file name. Every element is closed in the reverse order of opening.
#include "dropimport/RVRTFReader.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TRVHTMLOptions {
    std::string PictureFolder;  // ends with "/"; pictures are saved here
    std::string PicturePrefix = "nntmp";
    std::string DefaultFontName = "Times New Roman";
    int DefaultFontSize = 8;  // points
    bool SavePictures = true;
    bool UseBackgroundColor = false;
    TColor BackgroundColor = 0;

    // The values a dropped RTF document is converted with: pictures go to the temporary folder.
    static TRVHTMLOptions NoteDefaults();
};

class TRVHTMLWriter {
public:
    // A conversion saves at most this many pictures; later ones get the empty tag of a picture
    // type without an image. Each one costs a file and perhaps a metafile playback, and a
    // document of thousands of tiny pictures must not keep the program busy for minutes.
    static constexpr int MaxSavedPictures = 1000;

    TRVHTMLWriter();
    TRVHTMLWriter(const TRVHTMLWriter&) = delete;
    TRVHTMLWriter& operator=(const TRVHTMLWriter&) = delete;

    // Converts the RTF held in html into HTML, in place. The document's characters are taken
    // as they stand; the result is widened from the ANSI code page. Raises only for a picture
    // file that cannot be written: a picture that cannot be read or played is left out.
    void Convert(std::u16string& html, const TRVHTMLOptions& options);
    // The same over the bytes of an RTF file; the HTML is in the ANSI code page.
    std::string ConvertAnsi(std::string_view rtf, const TRVHTMLOptions& options);

    TRVRTFReader& Reader() { return FReader; }

    // A run's text as HTML: markup characters escaped, runs of blanks kept, and web, mail and
    // file addresses made into links unless the text already lies inside a link.
    static std::string TextToHTML(std::string_view text, bool findLinks = true);

private:
    // An inline element open inside the paragraph: a link, a span, bold, italic, underline,
    // subscript or superscript, with the address or style it was opened with.
    struct TInline {
        int Kind;
        std::string Value;
        bool operator==(const TInline&) const = default;
    };
    // One stream of output: the body, or the notes that follow it.
    struct TFlow {
        std::string Output;
        bool DivOpen = false;
        std::vector<TInline> Open;  // outermost first
    };

    std::string ConvertBytes(std::string_view rtf, const TRVHTMLOptions& options, int rawCodePage);
    void DoNewText(TRVRTFReader& reader, const std::string& text, TRVRTFPosition position);
    void DoNewPicture(TRVRTFReader& reader, const TRVRTFPicture* picture, TRVGraphic& graphic, TRVRTFPosition position);
    void DoNote(bool start);
    void DoNoteNumber(TRVRTFReader& reader, int number, TRVRTFPosition position);
    void WriteRun(TRVRTFReader& reader, std::string_view text, const std::string& html, TRVRTFPosition position);
    void WriteHead();
    void StartParagraph(const TRVRTFParaProperties& props, bool emptyRun);
    void CloseInlines(size_t keep);
    void CloseParagraph();
    void WantedInlines(const TRVRTFReader& reader);
    std::string SpanStyle(const TRVRTFReader& reader, const TRVRTFCharProperties& props) const;
    std::string DivOpener(const TRVRTFParaProperties& props, bool emptyRun) const;
    std::string PictureTag(const TRVRTFPicture& picture, TRVGraphic& graphic);
    std::string SavePicture(const std::string& bytes, const char* extension, int width, int height);

    TRVRTFReader FReader;
    TRVHTMLOptions FOptions;
    TFlow FBody, FNotes;
    TFlow* FFlow = &FBody;  // where runs go now
    std::vector<TInline> FWanted;  // the inline elements of the run being written
    bool FStarted = false;
    bool FShapePictureShown = false;  // the last shape's picture gave an image: its copy is not needed
    int FPictureCounter = 0;
    std::uint64_t FRasterBudget = 0;  // pixels the metafiles still to come may be played into
};
