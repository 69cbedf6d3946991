#pragma once
// The RTF keyword table: every control word and control symbol the reader acts on, with its
// default value, its kind, the index the reader dispatches on and its formatting group.
#include <string_view>

enum TRVRTFKeywordKind : int { rtf_kwd_Char, rtf_kwd_Dest, rtf_kwd_Prop, rtf_kwd_Spec };

enum TRVRTFKeywordGroup : int { rtf_kg_CharFormat, rtf_kg_ParaFormat, rtf_kg_Other };

// Indices of the destination keywords.
enum TRVRTFDestKeyword : int {
    idestPict, idestFontTbl, idestStyleSheet, idestColorTbl, idestField, idestFldInst,
    idestNormal,  // "fldrslt", "nesttableprops": back to document text
    idestSkip,    // headers, footers, comments, document information...
    idestFootnote,  // footnotes and endnotes: their text is kept apart from the body
    idestShape,     // a shape or a picture wrapper: only its pictures count
    idestShapeCopy, // the copy of a shape's picture for readers without shapes
};

// Indices of the special keywords.
enum TRVRTFSpecKeyword : int { ispecBin, ispecSkipDest, ispecHex, ispecNoteNumber };

// Indices of the property keywords.
enum TRVRTFPropKeyword : int {
    // character formatting
    ipropBold, ipropItalic, ipropUnderline, ipropStrike, ipropUnderlineNone, ipropFontSize, ipropForeColor,
    ipropFont, ipropDefFont, ipropVShift, ipropPlain, ipropCharBackColor, ipropCharScaleX, ipropExpand,
    ipropCaps, ipropHidden, ipropCharStyle, ipropRaise, ipropLower,
    // paragraph formatting
    ipropPard, ipropAlign, ipropLeftIndent, ipropRightIndent, ipropFirstIndent, ipropSpaceBefore,
    ipropSpaceAfter, ipropLineSpacing, ipropLineSpacingMulti, ipropParaShading, ipropInTable, ipropNestLevel,
    ipropParaStyle, ipropFramed, ipropListText,
    // tables of the document
    ipropRed, ipropGreen, ipropBlue, ipropFontFamily, ipropFontCharset, ipropFontCodePage,
    // text and code pages
    ipropUnicode, ipropUnicodeSkip, ipropAnsiCodePage, ipropCharacterSet,
    // structure
    ipropCell, ipropRow, ipropPage,
    // pictures
    ipropPicW, ipropPicH, ipropPicWidthBytes, ipropPicType, ipropWMetafile, ipropPicWGoal, ipropPicHGoal,
    ipropPicScaleX, ipropPicScaleY,
    // section
    ipropSectDefault, ipropSectBreak, ipropPageNumX, ipropPageNumY, ipropPageNumFormat, ipropPageNumStart,
    ipropColumns,
    // document
    ipropPaperWidth, ipropPaperHeight, ipropMarginLeft, ipropMarginRight, ipropMarginTop, ipropMarginBottom,
    ipropFacingPages, ipropLandscape,
    // rows and cells
    ipropRowDefault, ipropRowAlign, ipropRowGapH, ipropRowLeft, ipropRowHeight, ipropRowHeading, ipropRowKeep,
    ipropRowBorder, ipropRowPadding, ipropRowPaddingUnits, ipropRowWidth, ipropRowWidthType, ipropRowAutoFit,
    ipropCellX, ipropCellHMergeFirst, ipropCellHMerge, ipropCellVMergeFirst, ipropCellVMerge, ipropCellVAlign,
    ipropCellBackColor, ipropCellPatternColor, ipropCellShading, ipropCellWidth, ipropCellWidthType,
    ipropCellPadding, ipropCellPaddingUnits, ipropCellBorder,
    // borders
    ipropBorderKind, ipropBorderWidth, ipropBorderColor, ipropBorderSpace, ipropParaBorder, ipropParaBox,
    ipropParaBorderOther,
    // style sheet entries
    ipropSectStyle, ipropBasedOn, ipropNext, ipropAdditive, ipropStyleHidden,
};

struct TRVRTFKeyword {
    const char* Keyword;
    int DefValue;
    bool UseDef;  // the parameter is ignored and the default always used
    TRVRTFKeywordKind Kind;
    int Index;    // character code, destination, property or special index
    TRVRTFKeywordGroup Group;
};

namespace RVRTFKeywords {

// The row of a keyword (exact, case-sensitive), or nullptr when the table has none. The
// table is sorted once, on first use, and searched by bisection.
const TRVRTFKeyword* Find(std::string_view keyword);
// The number of rows.
int Count();

}  // namespace RVRTFKeywords
