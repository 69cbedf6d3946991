#include "dropimport/RVRTFKeywords.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace {

constexpr TRVRTFKeywordKind C = rtf_kwd_Char, D = rtf_kwd_Dest, P = rtf_kwd_Prop, S = rtf_kwd_Spec;
constexpr TRVRTFKeywordGroup kgC = rtf_kg_CharFormat, kgP = rtf_kg_ParaFormat, kgO = rtf_kg_Other;

// Keyword, default, always-use-default, kind, index, group. The order here is for reading;
// lookups go through the sorted copy below.
const TRVRTFKeyword KeywordTable[] = {
    // characters
    {"par", 0, false, C, '\n', kgO},
    {"\r", 0, false, C, '\n', kgO},
    {"\n", 0, false, C, '\n', kgO},
    {"line", 0, false, C, '\r', kgO},
    {"tab", 0, false, C, '\t', kgO},
    {"ldblquote", 0, false, C, '"', kgO},
    {"rdblquote", 0, false, C, '"', kgO},
    {"{", 0, false, C, '{', kgO},
    {"}", 0, false, C, '}', kgO},
    {"\\", 0, false, C, '\\', kgO},
    // Typographic characters WordPad and older Word write as keywords; without these rows
    // "It\rquote s" would lose its apostrophe.
    {"lquote", 0, false, C, 0x2018, kgO},
    {"rquote", 0, false, C, 0x2019, kgO},
    {"emdash", 0, false, C, 0x2014, kgO},
    {"endash", 0, false, C, 0x2013, kgO},
    {"bullet", 0, false, C, 0x2022, kgO},
    {"~", 0, false, C, 0x00A0, kgO},
    {"_", 0, false, C, '-', kgO},
    // specials
    {"bin", 0, false, S, ispecBin, kgO},
    {"*", 0, false, S, ispecSkipDest, kgO},
    {"'", 0, false, S, ispecHex, kgO},
    {"chftn", 0, false, S, ispecNoteNumber, kgO},
    // destinations
    {"pict", 0, false, D, idestPict, kgO},
    {"fonttbl", 0, false, D, idestFontTbl, kgO},
    {"stylesheet", 0, false, D, idestStyleSheet, kgO},
    {"colortbl", 0, false, D, idestColorTbl, kgO},
    {"field", 0, false, D, idestField, kgO},
    {"fldinst", 0, false, D, idestFldInst, kgO},
    {"fldrslt", 0, false, D, idestNormal, kgO},
    // Word wraps PNG and JPEG pictures in "shppict" and adds a metafile copy in "nonshppict"
    // for older readers; a floating picture is a shape ("shpinst") whose copy is its result
    // ("shprslt"). The copy is used only when the picture itself gave no image.
    {"shppict", 0, false, D, idestShape, kgO},
    {"shpinst", 0, false, D, idestShape, kgO},
    {"nonshppict", 0, false, D, idestShapeCopy, kgO},
    {"shprslt", 0, false, D, idestShapeCopy, kgO},
    {"shptxt", 0, false, D, idestNormal, kgO},  // a text box's text
    {"nesttableprops", 0, false, D, idestNormal, kgO},
    {"nonesttables", 0, false, D, idestSkip, kgO},
    {"author", 0, false, D, idestSkip, kgO},
    {"buptim", 0, false, D, idestSkip, kgO},
    {"comment", 0, false, D, idestSkip, kgO},
    {"creatim", 0, false, D, idestSkip, kgO},
    {"doccomm", 0, false, D, idestSkip, kgO},
    {"footer", 0, false, D, idestSkip, kgO},
    {"footerf", 0, false, D, idestSkip, kgO},
    {"footerl", 0, false, D, idestSkip, kgO},
    {"footerr", 0, false, D, idestSkip, kgO},
    {"footnote", 0, false, D, idestFootnote, kgO},
    {"ftncn", 0, false, D, idestSkip, kgO},
    {"ftnsep", 0, false, D, idestSkip, kgO},
    {"ftnsepc", 0, false, D, idestSkip, kgO},
    {"header", 0, false, D, idestSkip, kgO},
    {"headerf", 0, false, D, idestSkip, kgO},
    {"headerl", 0, false, D, idestSkip, kgO},
    {"headerr", 0, false, D, idestSkip, kgO},
    {"info", 0, false, D, idestSkip, kgO},
    {"keywords", 0, false, D, idestSkip, kgO},
    {"operator", 0, false, D, idestSkip, kgO},
    {"printim", 0, false, D, idestSkip, kgO},
    {"private1", 0, false, D, idestSkip, kgO},
    {"revtim", 0, false, D, idestSkip, kgO},
    {"rxe", 0, false, D, idestSkip, kgO},
    {"subject", 0, false, D, idestSkip, kgO},
    {"tc", 0, false, D, idestSkip, kgO},
    {"title", 0, false, D, idestSkip, kgO},
    {"txe", 0, false, D, idestSkip, kgO},
    {"xe", 0, false, D, idestSkip, kgO},
    // character formatting
    {"b", 1, false, P, ipropBold, kgC},
    {"i", 1, false, P, ipropItalic, kgC},
    {"ul", 1, false, P, ipropUnderline, kgC},
    {"strike", 1, false, P, ipropStrike, kgC},
    {"ulnone", 0, true, P, ipropUnderlineNone, kgC},
    {"fs", 24, false, P, ipropFontSize, kgC},
    {"cf", 0, false, P, ipropForeColor, kgC},
    {"f", 0, false, P, ipropFont, kgC},
    {"deff", 0, false, P, ipropDefFont, kgC},
    {"sub", 1, true, P, ipropVShift, kgC},
    {"super", 2, true, P, ipropVShift, kgC},
    {"nosupersub", 0, true, P, ipropVShift, kgC},
    {"plain", 0, false, P, ipropPlain, kgC},
    {"chcbpat", 0, false, P, ipropCharBackColor, kgC},
    {"charscalex", 100, false, P, ipropCharScaleX, kgC},
    {"expndtw", 0, false, P, ipropExpand, kgC},
    {"caps", 1, false, P, ipropCaps, kgC},
    {"v", 1, false, P, ipropHidden, kgC},
    {"cs", 0, false, P, ipropCharStyle, kgC},
    {"up", 6, false, P, ipropRaise, kgC},
    {"dn", 6, false, P, ipropLower, kgC},
    // paragraph formatting
    {"pard", 0, false, P, ipropPard, kgP},
    {"ql", 0, true, P, ipropAlign, kgP},
    {"qr", 1, true, P, ipropAlign, kgP},
    {"qc", 2, true, P, ipropAlign, kgP},
    {"qj", 3, true, P, ipropAlign, kgP},
    {"li", 0, false, P, ipropLeftIndent, kgP},
    {"ri", 0, false, P, ipropRightIndent, kgP},
    {"fi", 0, false, P, ipropFirstIndent, kgP},
    {"sb", 0, false, P, ipropSpaceBefore, kgP},
    {"sa", 0, false, P, ipropSpaceAfter, kgP},
    {"sl", 240, false, P, ipropLineSpacing, kgP},
    {"slmult", 1, false, P, ipropLineSpacingMulti, kgP},
    {"cbpat", 0, false, P, ipropParaShading, kgP},
    {"intbl", 1, true, P, ipropInTable, kgP},
    {"itap", 1, false, P, ipropNestLevel, kgP},
    {"s", 0, false, P, ipropParaStyle, kgP},
    {"absnoovrlp", 1, false, P, ipropFramed, kgP},
    {"pvpara", 1, true, P, ipropFramed, kgP},
    {"pvmrg", 1, true, P, ipropFramed, kgP},
    {"pvpg", 1, true, P, ipropFramed, kgP},
    {"pntext", 1, true, P, ipropListText, kgP},
    {"listtext", 1, true, P, ipropListText, kgP},
    // font and colour tables
    {"red", 0, false, P, ipropRed, kgO},
    {"green", 0, false, P, ipropGreen, kgO},
    {"blue", 0, false, P, ipropBlue, kgO},
    {"fnil", 0, true, P, ipropFontFamily, kgO},
    {"froman", 1, true, P, ipropFontFamily, kgO},
    {"fswiss", 2, true, P, ipropFontFamily, kgO},
    {"fmodern", 3, true, P, ipropFontFamily, kgO},
    {"fscript", 4, true, P, ipropFontFamily, kgO},
    {"fdecor", 5, true, P, ipropFontFamily, kgO},
    {"ftech", 6, true, P, ipropFontFamily, kgO},
    {"fbidi", 7, true, P, ipropFontFamily, kgO},
    {"fcharset", 0, false, P, ipropFontCharset, kgO},
    {"cpg", 0, false, P, ipropFontCodePage, kgO},
    // text and code pages
    {"u", 0, false, P, ipropUnicode, kgO},
    {"uc", 1, false, P, ipropUnicodeSkip, kgO},
    {"ansicpg", 0, false, P, ipropAnsiCodePage, kgO},
    {"mac", 10000, true, P, ipropCharacterSet, kgO},
    {"pc", 437, true, P, ipropCharacterSet, kgO},
    {"pca", 850, true, P, ipropCharacterSet, kgO},
    // structure
    {"cell", 0, false, P, ipropCell, kgO},
    {"nestcell", 0, false, P, ipropCell, kgO},
    {"row", 0, false, P, ipropRow, kgO},
    {"nestrow", 0, false, P, ipropRow, kgO},
    {"page", 0, false, P, ipropPage, kgO},
    // pictures
    {"picw", 0, false, P, ipropPicW, kgO},
    {"pich", 0, false, P, ipropPicH, kgO},
    {"wbmwidthbytes", 0, false, P, ipropPicWidthBytes, kgO},
    {"emfblip", 0, true, P, ipropPicType, kgO},
    {"pngblip", 1, true, P, ipropPicType, kgO},
    {"jpegblip", 2, true, P, ipropPicType, kgO},
    {"macpict", 3, true, P, ipropPicType, kgO},
    {"pmmetafile", 4, true, P, ipropPicType, kgO},
    {"dibitmap", 6, true, P, ipropPicType, kgO},
    {"wbitmap", 7, true, P, ipropPicType, kgO},
    {"wmetafile", 1, false, P, ipropWMetafile, kgO},
    {"picwgoal", 0, false, P, ipropPicWGoal, kgO},
    {"pichgoal", 0, false, P, ipropPicHGoal, kgO},
    {"picscalex", 100, false, P, ipropPicScaleX, kgO},
    {"picscaley", 100, false, P, ipropPicScaleY, kgO},
    // section
    {"sectd", 0, false, P, ipropSectDefault, kgO},
    {"sbknone", 0, true, P, ipropSectBreak, kgO},
    {"sbkcol", 1, true, P, ipropSectBreak, kgO},
    {"sbkeven", 2, true, P, ipropSectBreak, kgO},
    {"sbkodd", 3, true, P, ipropSectBreak, kgO},
    {"sbkpage", 4, true, P, ipropSectBreak, kgO},
    {"pgnx", 720, false, P, ipropPageNumX, kgO},
    {"pgny", 720, false, P, ipropPageNumY, kgO},
    {"pgndec", 0, true, P, ipropPageNumFormat, kgO},
    {"pgnucrm", 1, true, P, ipropPageNumFormat, kgO},
    {"pgnlcrm", 2, true, P, ipropPageNumFormat, kgO},
    {"pgnucltr", 3, true, P, ipropPageNumFormat, kgO},
    {"pgnlcltr", 4, true, P, ipropPageNumFormat, kgO},
    {"pgnstart", 1, false, P, ipropPageNumStart, kgO},
    {"cols", 1, false, P, ipropColumns, kgO},
    // document
    {"paperw", 12240, false, P, ipropPaperWidth, kgO},
    {"paperh", 15840, false, P, ipropPaperHeight, kgO},
    {"margl", 1800, false, P, ipropMarginLeft, kgO},
    {"margr", 1800, false, P, ipropMarginRight, kgO},
    {"margt", 1440, false, P, ipropMarginTop, kgO},
    {"margb", 1440, false, P, ipropMarginBottom, kgO},
    {"facingp", 1, true, P, ipropFacingPages, kgO},
    {"landscape", 1, true, P, ipropLandscape, kgO},
    // rows: border and padding indices are sides (left, top, right, bottom, inner h, inner v)
    {"trowd", 0, false, P, ipropRowDefault, kgO},
    {"trql", 0, true, P, ipropRowAlign, kgO},
    {"trqr", 1, true, P, ipropRowAlign, kgO},
    {"trqc", 2, true, P, ipropRowAlign, kgO},
    {"trgaph", 0, false, P, ipropRowGapH, kgO},
    {"trleft", 0, false, P, ipropRowLeft, kgO},
    {"trrh", 0, false, P, ipropRowHeight, kgO},
    {"trhdr", 1, true, P, ipropRowHeading, kgO},
    {"trkeep", 1, true, P, ipropRowKeep, kgO},
    {"trbrdrl", 0, true, P, ipropRowBorder, kgO},
    {"trbrdrt", 1, true, P, ipropRowBorder, kgO},
    {"trbrdrr", 2, true, P, ipropRowBorder, kgO},
    {"trbrdrb", 3, true, P, ipropRowBorder, kgO},
    {"trbrdrh", 4, true, P, ipropRowBorder, kgO},
    {"trbrdrv", 5, true, P, ipropRowBorder, kgO},
    // padding keywords share one property; the reader takes the side from the last letter
    {"trpaddl", 0, false, P, ipropRowPadding, kgO},
    {"trpaddt", 0, false, P, ipropRowPadding, kgO},
    {"trpaddr", 0, false, P, ipropRowPadding, kgO},
    {"trpaddb", 0, false, P, ipropRowPadding, kgO},
    {"trpaddfl", 0, false, P, ipropRowPaddingUnits, kgO},
    {"trpaddft", 0, false, P, ipropRowPaddingUnits, kgO},
    {"trpaddfr", 0, false, P, ipropRowPaddingUnits, kgO},
    {"trpaddfb", 0, false, P, ipropRowPaddingUnits, kgO},
    {"trwWidth", 0, false, P, ipropRowWidth, kgO},
    {"trftsWidth", 0, false, P, ipropRowWidthType, kgO},
    {"trautofit", 1, false, P, ipropRowAutoFit, kgO},
    // cells
    {"cellx", 0, false, P, ipropCellX, kgO},
    {"clmgf", 1, true, P, ipropCellHMergeFirst, kgO},
    {"clmrg", 1, true, P, ipropCellHMerge, kgO},
    {"clvmgf", 1, true, P, ipropCellVMergeFirst, kgO},
    {"clvmrg", 1, true, P, ipropCellVMerge, kgO},
    {"clvertalt", 0, true, P, ipropCellVAlign, kgO},
    {"clvertalc", 1, true, P, ipropCellVAlign, kgO},
    {"clvertalb", 2, true, P, ipropCellVAlign, kgO},
    {"clcbpat", 0, false, P, ipropCellBackColor, kgO},
    {"clcfpat", 0, false, P, ipropCellPatternColor, kgO},
    {"clshdng", 0, false, P, ipropCellShading, kgO},
    {"clwWidth", 0, false, P, ipropCellWidth, kgO},
    {"clftsWidth", 0, false, P, ipropCellWidthType, kgO},
    {"clpadl", 0, false, P, ipropCellPadding, kgO},
    {"clpadt", 0, false, P, ipropCellPadding, kgO},
    {"clpadr", 0, false, P, ipropCellPadding, kgO},
    {"clpadb", 0, false, P, ipropCellPadding, kgO},
    {"clpadfl", 0, false, P, ipropCellPaddingUnits, kgO},
    {"clpadft", 0, false, P, ipropCellPaddingUnits, kgO},
    {"clpadfr", 0, false, P, ipropCellPaddingUnits, kgO},
    {"clpadfb", 0, false, P, ipropCellPaddingUnits, kgO},
    {"clbrdrl", 0, true, P, ipropCellBorder, kgO},
    {"clbrdrt", 1, true, P, ipropCellBorder, kgO},
    {"clbrdrr", 2, true, P, ipropCellBorder, kgO},
    {"clbrdrb", 3, true, P, ipropCellBorder, kgO},
    // borders: the kind keywords carry their TRVRTFBorderKind as default
    {"brdrs", 1, true, P, ipropBorderKind, kgO},
    {"brdrth", 2, true, P, ipropBorderKind, kgO},
    {"brdrsh", 3, true, P, ipropBorderKind, kgO},
    {"brdrdb", 4, true, P, ipropBorderKind, kgO},
    {"brdrdot", 5, true, P, ipropBorderKind, kgO},
    {"brdrdash", 6, true, P, ipropBorderKind, kgO},
    {"brdrhair", 7, true, P, ipropBorderKind, kgO},
    {"brdrinset", 8, true, P, ipropBorderKind, kgO},
    {"brdroutset", 9, true, P, ipropBorderKind, kgO},
    {"brdrtriple", 10, true, P, ipropBorderKind, kgO},
    {"brdrtnthsg", 11, true, P, ipropBorderKind, kgO},
    {"brdrthtnsg", 12, true, P, ipropBorderKind, kgO},
    {"brdrtnthtnsg", 13, true, P, ipropBorderKind, kgO},
    {"brdrwavy", 14, true, P, ipropBorderKind, kgO},
    {"brdrdashsm", 15, true, P, ipropBorderKind, kgO},
    {"brdrdashd", 16, true, P, ipropBorderKind, kgO},
    {"brdrdashdd", 17, true, P, ipropBorderKind, kgO},
    {"brdremboss", 18, true, P, ipropBorderKind, kgO},
    {"brdrnone", 0, true, P, ipropBorderKind, kgO},
    {"brdrw", 0, false, P, ipropBorderWidth, kgO},
    {"brdrcf", 0, false, P, ipropBorderColor, kgO},
    {"brsp", 0, false, P, ipropBorderSpace, kgO},
    {"brdrl", 0, true, P, ipropParaBorder, kgP},
    {"brdrt", 1, true, P, ipropParaBorder, kgP},
    {"brdrr", 2, true, P, ipropParaBorder, kgP},
    {"brdrb", 3, true, P, ipropParaBorder, kgP},
    {"box", 0, false, P, ipropParaBox, kgP},
    {"brdrbtw", 0, false, P, ipropParaBorderOther, kgP},
    {"brdrbar", 0, false, P, ipropParaBorderOther, kgP},
    // style sheet
    {"ds", 0, false, P, ipropSectStyle, kgO},
    {"sbasedon", 222, false, P, ipropBasedOn, kgO},
    {"snext", 0, false, P, ipropNext, kgO},
    {"additive", 1, true, P, ipropAdditive, kgO},
    {"shidden", 1, true, P, ipropStyleHidden, kgO},
};

struct TSortedRow {
    std::string_view Keyword;
    const TRVRTFKeyword* Row;
};

// Ordinal order; keywords are short, so a plain loop beats a call to memcmp.
bool Less(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
    return a.size() < b.size();
}

const std::vector<TSortedRow>& SortedTable() {
    static const std::vector<TSortedRow> sorted = [] {
        std::vector<TSortedRow> rows;
        for (const TRVRTFKeyword& row : KeywordTable) rows.push_back({row.Keyword, &row});
        std::sort(rows.begin(), rows.end(), [](const TSortedRow& a, const TSortedRow& b) { return Less(a.Keyword, b.Keyword); });
        return rows;
    }();
    return sorted;
}

}  // namespace

namespace RVRTFKeywords {

const TRVRTFKeyword* Find(std::string_view keyword) {
    const auto& rows = SortedTable();
    const auto it = std::lower_bound(rows.begin(), rows.end(), keyword,
                                     [](const TSortedRow& row, std::string_view key) { return Less(row.Keyword, key); });
    return it != rows.end() && it->Keyword == keyword ? it->Row : nullptr;
}

int Count() { return static_cast<int>(std::size(KeywordTable)); }

}  // namespace RVRTFKeywords
