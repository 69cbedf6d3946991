#pragma once
// The records an RTF reader keeps while it reads: the character, paragraph, section, document,
// row and cell properties with their borders, the font, colour and style-sheet tables, the
// picture being read, and the state that is saved on every "{" and restored on every "}".
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A colour as the word processor's palette holds it: red in bits 0-7, green in 8-15, blue in
// 16-23. A value with the top bit set names a system colour.
using TColor = std::int32_t;
inline constexpr TColor clWindowText = static_cast<TColor>(0x80000008);  // the "auto" colour
inline constexpr TColor clNone = 0x1FFFFFFF;

// Style bits of a character run.
enum : int { rvfsBold = 1, rvfsItalic = 2, rvfsUnderline = 4, rvfsStrikeOut = 8 };

// The kind of break that precedes a text run.
enum TRVRTFPosition : int { rtf_ts_ContinuePara = 0, rtf_ts_NewLine = 1, rtf_ts_NewPara = 2 };

// Where the characters of a group go.
enum TRVRTFDestination : int {
    rdsNorm = 0,         // document text
    rdsSkip = 1,         // a skipped group
    rdsFontTable = 2,
    rdsStyleSheet = 3,
    rdsColorTable = 4,
    rdsStyleSheetEntry = 5,
    rdsPicture = 6,
    rdsField = 7,
    rdsFldInst = 8,
    rdsShape = 9,        // a shape: its characters go nowhere, its pictures are read
};

// Where a picture stands: in the text, in a shape, or in the copy of a shape's picture that a
// document adds for readers without shapes.
enum TRVRTFPictureRole : int { rtf_pr_Plain = 0, rtf_pr_Shape, rtf_pr_ShapeCopy };

enum TRVRTFInternalState : int { risNorm = 0, risBin = 1, risHex = 2 };

struct TRVRTFCharProperties {
    int Size = 12;  // points
    TColor Color = clWindowText;
    TColor BackColor = clNone;
    int FontIndex = 0;  // position in the font table
    int Style = 0;      // rvfs* bits
    bool Caps = false;
    int HScale = 100;   // percent
    int VShift = 0;     // 0 normal, 1 subscript, 2 superscript
    int Spacing = 0;    // twips
    bool Hidden = false;
    int StyleNo = -1;   // character style ("cs"), -1 for none

    void Reset() { *this = TRVRTFCharProperties(); }
};

enum TRVRTFBorderKind : int {
    rtf_brdr_None = 0, rtf_brdr_Single, rtf_brdr_Thick, rtf_brdr_Shadow, rtf_brdr_Double, rtf_brdr_Dot,
    rtf_brdr_Dash, rtf_brdr_Hair, rtf_brdr_Inset, rtf_brdr_Outset, rtf_brdr_Triple, rtf_brdr_ThinThickSmall,
    rtf_brdr_ThickThinSmall, rtf_brdr_ThinThickThinSmall, rtf_brdr_Wavy, rtf_brdr_DashSmall,
    rtf_brdr_DotDash, rtf_brdr_DotDotDash, rtf_brdr_Emboss,
};

struct TRVRTFBorderSide {
    int Kind = rtf_brdr_None;
    int Width = 0;  // twips
    TColor Color = clNone;
    int Space = 0;  // twips between border and text
};

// Sides in the order left, top, right, bottom.
enum TRVRTFSide : int { rtf_side_Left = 0, rtf_side_Top, rtf_side_Right, rtf_side_Bottom };

struct TRVRTFParaBorder {
    TRVRTFBorderSide Sides[4];
};

struct TRVRTFParaProperties {
    int LeftIndent = 0, RightIndent = 0, FirstIndent = 0;  // twips
    int SpaceBefore = 0, SpaceAfter = 0;                   // twips
    int Alignment = 0;  // 0 left, 1 right, 2 center, 3 justify
    TRVRTFParaBorder Border;
    int LineSpacing = 240;
    bool LineSpacingMulti = true;
    TColor Shading = clNone;
    int NestingLevel = 1;
    bool InTable = false;
    bool Framed = false;    // positioned frame
    bool ListText = false;  // the paragraph is list-number text
    int StyleNo = 0;        // paragraph style ("s")

    // "pard": everything back to the defaults; a list-number paragraph stays in its table.
    void Reset() {
        const bool keepInTable = ListText && InTable;
        *this = TRVRTFParaProperties();
        InTable = keepInTable;
    }
};

struct TRVRTFSectionProperties {
    int BreakKind = 4;  // 0 none, 1 column, 2 even page, 3 odd page, 4 page
    int PageNumX = 720, PageNumY = 720;  // twips
    int PageNumFormat = 0;  // 0 decimal, 1 upper roman, 2 lower roman, 3 upper letter, 4 lower letter
    int PageNumStart = 1;
    int Columns = 1;
    int StyleNo = -1;  // section style ("ds")

    void Reset() { *this = TRVRTFSectionProperties(); }
};

struct TRVRTFDocProperties {
    int PaperWidth = 12240, PaperHeight = 15840;  // twips
    int MarginLeft = 1800, MarginRight = 1800, MarginTop = 1440, MarginBottom = 1440;
    bool FacingPages = false;
    bool Landscape = false;
};

struct TRVRTFCellProperties {
    int BestWidth = 0;
    int BestWidthType = 0;  // "clftsWidth"
    int RightBoundary = 0;  // twips, from "cellx"
    bool HMergeFirst = false, HMerge = false, VMergeFirst = false, VMerge = false;
    int VAlign = 0;  // 0 top, 1 center, 2 bottom
    TColor BackColor = clNone;
    TColor PatternColor = clNone;
    int Shading = 0;  // hundredths of a percent
    int Padding[4] = {0, 0, 0, 0};      // left, top, right, bottom
    int PaddingUnits[4] = {0, 0, 0, 0};
    TRVRTFBorderSide Border[4];
};

using TRVRTFCellPropsList = std::vector<TRVRTFCellProperties>;

struct TRVRTFRowProperties {
    int Alignment = 0;  // 0 left, 1 right, 2 center
    int GapH = 0;       // half the space between cells, twips
    int Left = 0;
    int Height = 0;
    bool Heading = false;
    bool KeepTogether = false;
    bool AutoFit = false;
    int BestWidth = 0;
    int BestWidthType = 0;
    int Padding[4] = {0, 0, 0, 0};
    int PaddingUnits[4] = {0, 0, 0, 0};
    TRVRTFBorderSide Border[6];  // left, top, right, bottom, inner horizontal, inner vertical
    TRVRTFCellProperties NextCell;

    void Reset() { *this = TRVRTFRowProperties(); }
    // The cells completed by "cellx" so far.
    const TRVRTFCellPropsList& Cells() const;
    void AddCell(const TRVRTFCellProperties& cell);

private:
    // Shared by the states saved for nested groups and copied only when a cell is added, so
    // that opening a group costs the same however many cells the row has.
    std::shared_ptr<const TRVRTFCellPropsList> FCells;
};

// Which border the border keywords ("brdrs", "brdrw"...) currently describe.
enum TRVRTFBorderTarget : int { rtf_bt_None = 0, rtf_bt_Para, rtf_bt_Row, rtf_bt_Cell };

struct TRVRTFReaderState {
    TRVRTFCharProperties CharProps;
    TRVRTFParaProperties ParaProps;
    TRVRTFSectionProperties SectProps;
    TRVRTFDocProperties DocProps;
    TRVRTFRowProperties RowProps;
    TRVRTFDestination Destination = rdsNorm;
    TRVRTFInternalState InternalState = risNorm;
    int DefFont = 0;         // "deff"
    int UnicodeSkip = 1;     // "uc": fallback characters after each "u"
    bool InNote = false;     // inside a footnote or endnote
    TRVRTFPictureRole PictureRole = rtf_pr_Plain;
    std::string Link;        // the target of the hyperlink field whose result this is
    TRVRTFBorderTarget BorderTarget = rtf_bt_None;
    int BorderSides = 0;     // bit per TRVRTFSide of the target
};

struct TRVRTFFont {
    int Number = 0;
    std::string Name;   // in the ANSI code page
    int Family = 0;     // 0 nil, 1 roman, 2 swiss, 3 modern, 4 script, 5 decor, 6 tech, 7 bidi
    int Charset = 1;    // DEFAULT_CHARSET until "fcharset" says otherwise
    int CodePage = 0;   // "cpg"; 0 when the character set decides
};

using TRVRTFFontList = std::vector<TRVRTFFont>;
using TRVRTFColorList = std::vector<TColor>;

enum TRVRTFStyleKind : int { rtf_sk_Paragraph = 0, rtf_sk_Character, rtf_sk_Section };

struct TRVRTFStyleSheetEntry {
    int Number = 0;
    TRVRTFStyleKind Kind = rtf_sk_Paragraph;
    std::string Name;
    int BasedOn = 222;  // "no style"
    int Next = -1;
    bool Additive = false;
    bool Hidden = false;
    TRVRTFCharProperties CharProps;
    TRVRTFParaProperties ParaProps;
};

using TRVRTFStyleSheet = std::vector<TRVRTFStyleSheetEntry>;

// Picture types as the type keywords set them.
enum TRVRTFPictureType : int {
    rtf_pict_Unknown = -1,
    rtf_pict_EMF = 0,
    rtf_pict_PNG = 1,
    rtf_pict_JPEG = 2,
    rtf_pict_MacPict = 3,
    rtf_pict_PmMetafile = 4,
    rtf_pict_WMF = 5,
    rtf_pict_DIB = 6,
    rtf_pict_DDB = 7,
};

struct TRVRTFPicture {
    TRVRTFPictureType Type = rtf_pict_Unknown;
    int PicW = 0, PicH = 0;   // "picw", "pich"
    int WBMWidthBytes = 0;
    int MetafileMapMode = 0;  // "wmetafile" parameter
    int PicWGoal = 0, PicHGoal = 0;       // "picwgoal", "pichgoal": the display size in twips
    int ScaleX = 100, ScaleY = 100;       // "picscalex", "picscaley": percent
    TRVRTFPictureRole Role = rtf_pr_Plain;
    std::string Data;         // the decoded picture bytes
};
