#pragma once
// TRVHTMLWriter: turns an RTF document into the HTML body of a note. It listens to the text
// runs and pictures of its TRVRTFReader; tables, borders, shading, styles, headers and
// footers are dropped. Pictures are written as files into a picture folder and referred to by
// bare file name.
#include "dropimport/RVRTFReader.h"

#include <cstdint>
#include <string>
#include <string_view>

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

    // Converts the RTF held in html into HTML, in place. The wide text is narrowed to the ANSI
    // code page for reading and the result widened again. Raises for a text run whose font
    // is not in the font table (which includes any RTF without one), for a metafile that
    // cannot be played and for a picture file that cannot be written.
    void Convert(std::u16string& html, const TRVHTMLOptions& options);
    // The same over text in the ANSI code page.
    std::string ConvertAnsi(std::string_view rtf, const TRVHTMLOptions& options);

    TRVRTFReader& Reader() { return FReader; }

    // A run's text as HTML: markup characters escaped, runs of blanks kept, and web, mail and
    // file addresses made into links.
    static std::string TextToHTML(std::string_view text);

private:
    void DoNewText(TRVRTFReader& reader, const std::string& text, TRVRTFPosition position);
    void DoNewPicture(TRVRTFReader& reader, const TRVRTFPicture* picture, TRVGraphic& graphic, TRVRTFPosition position);
    void WriteHead();
    std::string SpanStyle(const TRVRTFReader& reader, const TRVRTFCharProperties& props) const;
    std::string DivOpener(const TRVRTFParaProperties& props, bool emptyRun) const;
    void CloseStyles(const TRVRTFCharProperties& props);
    std::string PictureTag(TRVGraphic& graphic);
    std::string SavePicture(const std::string& bytes, const char* extension, int width, int height);

    TRVRTFReader FReader;
    TRVHTMLOptions FOptions;
    std::string FOutput;
    bool FStarted = false;
    TRVRTFCharProperties FLastProps;
    std::string FLastSpanStyle;
    int FPictureCounter = 0;
    std::uint64_t FRasterBudget = 0;  // pixels the metafiles still to come may be played into
};
