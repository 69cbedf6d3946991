#pragma once
// TRVRTFReader: reads an RTF document in one pass and reports it as events: text runs of
// uniform character formatting with the break that precedes each, pictures, table nesting and
// page breaks. Each event can look at the reader's current state (character and paragraph
// properties, font and colour tables).
#include "dropimport/RVRTFKeywords.h"
#include "dropimport/RVRTFProps.h"
#include "dropimport/RtfCodePage.h"
#include "dropimport/RtfPictures.h"
#include "dropimport/RtfTextBuffer.h"

#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

enum TRVRTFErrorCode : int {
    rtf_ec_OK = 0,
    rtf_ec_StackUnderflow = 1,   // a "}" without its "{"
    rtf_ec_StackOverflow = 2,    // a state cannot be saved: more than MaxGroupDepth open groups
    rtf_ec_UnmatchedBrace = 3,   // a "{" left unclosed at the end
    rtf_ec_InvalidHex = 4,       // not a hex digit after "\'"
    rtf_ec_BadTable = 5,         // a property or special keyword the reader does not handle
    rtf_ec_Assertion = 6,        // a bad internal state
    rtf_ec_EndOfFile = 7,        // the text ends inside a keyword
    rtf_ec_InvalidPicture = 10,  // a picture inside a picture, or not a hex digit in picture data
};

enum TRVRTFTableEventKind : int { rvf_tbl_TableStart, rvf_tbl_TableEnd, rvf_tbl_RowEnd, rvf_tbl_CellEnd };

class TRVRTFReader {
public:
    using TNewTextEvent = std::function<void(TRVRTFReader& sender, const std::string& text, TRVRTFPosition position)>;
    using TNewUnicodeTextEvent =
        std::function<void(TRVRTFReader& sender, const std::u16string& text, TRVRTFPosition position)>;
    using TNewPictureEvent = std::function<void(TRVRTFReader& sender, const TRVRTFPicture* picture,
                                                TRVGraphic& graphic, TRVRTFPosition position)>;
    using TTableEvent = std::function<void(TRVRTFReader& sender, TRVRTFTableEventKind kind)>;
    using TRequiredPageBreakEvent = std::function<void(TRVRTFReader& sender)>;
    // A footnote or endnote starts (true) or ends (false); the runs between are its text.
    using TNoteEvent = std::function<void(TRVRTFReader& sender, int number, bool start)>;
    // The number of a note ("chftn") as the document shows it: in the body before the note,
    // and at the start of the note's own text.
    using TNoteNumberEvent = std::function<void(TRVRTFReader& sender, int number, TRVRTFPosition position)>;

    // Groups nest at most this deep; the "{" beyond it is error 2. The state stack lives on
    // the heap, so the limit only bounds memory.
    static constexpr size_t MaxGroupDepth = 10000;
    // Table rows keep at most this many cells and tables nest at most this deep.
    static constexpr size_t MaxCellsPerRow = 256;
    static constexpr int MaxTableNesting = 64;

    TNewTextEvent OnNewText;
    TNewUnicodeTextEvent OnNewUnicodeText;
    TNewPictureEvent OnNewPicture;
    TTableEvent OnTable;
    TRequiredPageBreakEvent OnRequiredPageBreak;
    TNoteEvent OnNote;
    // Without a listener a note's number is delivered as text.
    TNoteNumberEvent OnNoteNumber;
    // The code page of bytes written in hex until "ansicpg" names another.
    int DefCodePage = RtfCodePage::DefaultCodePage;
    // The code page of the document's own 8-bit characters (not written in hex); 0 when they
    // are in the code page of their font, as in an RTF file. 65001 reads them as UTF-8.
    int RawCodePage = 0;

    // Parses the whole stream (or text). Stops at the first error and returns its code; a run
    // collected before the error is still reported. Exceptions of picture decoding and of
    // listeners propagate.
    TRVRTFErrorCode ReadFromStream(std::istream& stream);
    TRVRTFErrorCode ReadFromString(std::string_view rtf);

    const TRVRTFReaderState& RTFState() const { return FState; }
    const TRVRTFFontList& FontTable() const { return FFonts; }
    const TRVRTFColorList& ColorTable() const { return FColors; }
    const TRVRTFStyleSheet& StyleSheet() const { return FStyles; }
    int CodePage() const { return FCodePage; }

private:
    // csAnsi: 7-bit characters of the document; csRaw: its 8-bit characters; csCodePage: bytes
    // written in hex; csUnicode: "u" characters and keyword characters.
    enum TCharSource { csAnsi, csRaw, csCodePage, csUnicode };

    // input
    bool Refill();
    int GetC() {
        if (FPushedBack >= 0) {
            const int c = FPushedBack;
            FPushedBack = -1;
            return c;
        }
        if (FCur == FEnd && !Refill()) return -1;
        return static_cast<unsigned char>(*FCur++);
    }
    void UngetC(int c) { FPushedBack = c; }

    // parsing
    void Start();
    TRVRTFErrorCode Parse();
    TRVRTFErrorCode Finish(TRVRTFErrorCode code);
    TRVRTFErrorCode PushState();
    TRVRTFErrorCode PopState();
    TRVRTFErrorCode EndDestination(TRVRTFDestination ending, TRVRTFReaderState& outer);
    TRVRTFErrorCode ParseKeyword();
    TRVRTFErrorCode TranslateKeyword(std::string_view name, bool hasParam, int param);
    TRVRTFErrorCode ParseHexDigit(int c);
    TRVRTFErrorCode ChangeDestination(int index);
    TRVRTFErrorCode ParseSpecial(int index, int value);
    TRVRTFErrorCode ParseProperty(const TRVRTFKeyword& keyword, int value, std::string_view name);
    bool ParseCharProperty(int index, int value);
    bool ParseParaProperty(int index, int value);
    bool ParseTableProperty(int index, int value, std::string_view name);
    bool ParseDocumentProperty(int index, int value);

    // characters
    TRVRTFErrorCode DeliverSkippable(int code, TCharSource source);
    TRVRTFErrorCode DeliverChar(int code, TCharSource source);
    void DeliverUnicode(int value);
    void AddTo(TRVRTFTextBuffer& buffer, int code, TCharSource source, int codePage = 0);
    TRVRTFErrorCode AddPictureDigit(int code);
    int CurrentCodePage() const;
    int CodePageOfFont(const TRVRTFFont& font) const;

    // runs and events
    void Break(TRVRTFPosition next);
    void Flush() { Break(rtf_ts_ContinuePara); }
    void ReportRun();
    void SyncTableLevel();
    void FireTable(TRVRTFTableEventKind kind);
    void EndPicture();
    void EndFieldInstruction(TRVRTFReaderState& fieldState);
    void StartNote();
    void EndNote();
    TRVRTFErrorCode DeliverNoteNumber();

    // tables of the document
    void StartFont(int number);
    void CompleteFontName();
    int FontIndexOf(int number) const;
    TColor ColorAt(int index, TColor fallback) const;
    void CompleteStyleEntry();
    template <class F> void ForEachBorderSide(F&& f);

    // input
    std::istream* FStream = nullptr;
    std::unique_ptr<char[]> FBuffer;
    const char* FCur = nullptr;
    const char* FEnd = nullptr;
    int FPushedBack = -1;

    // state
    TRVRTFReaderState FState;
    std::vector<TRVRTFReaderState> FStack;
    TRVRTFPosition FPosition = rtf_ts_NewPara;
    TRVRTFTextBuffer FText;       // the run being collected
    TRVRTFTextBuffer FDestText;   // the font or style name being collected
    TRVRTFTextBuffer FFieldInst;  // the instruction of the innermost field
    int FCodePage = RtfCodePage::DefaultCodePage;
    int FUnicodeSkipLeft = 0;
    int FBinLeft = 0;
    bool FSkipDestIfUnknown = false;
    int FHexValue = 0, FHexDigits = 0;      // "\'" hex byte
    int FPictNibble = 0, FPictDigits = 0;   // picture data
    int FTableLevel = 0;
    bool FFontNameOpen = false;
    bool FIsDocument = false;  // the top group starts with "rtf"
    int FNoteCount = 0;                                // notes started so far
    TRVRTFPosition FBodyPosition = rtf_ts_NewPara;     // the position to go on with after a note
    std::unique_ptr<TRVRTFPicture> FPicture;
    TRVRTFStyleSheetEntry FStyleEntry;

    TRVRTFFontList FFonts;
    std::unordered_map<int, int> FFontIndexes;  // font number to position in FFonts
    TRVRTFColorList FColors;
    TRVRTFStyleSheet FStyles;
};
