#include "dropimport/RVRTFReader.h"

#include "platform/Strings.h"
#include "settings/Trap.h"

#include <algorithm>
#include <climits>

namespace {

constexpr size_t BufferSize = 4096;
constexpr int Eof = -1;

bool IsLetter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }

int HexDigitValue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The side a padding keyword names by its last letter ("trpaddl", "clpadfb").
int PaddingSide(std::string_view name) {
    switch (name.back()) {
        case 'l': return 0;
        case 't': return 1;
        case 'r': return 2;
        default: return 3;
    }
}

// The address of a "HYPERLINK" field instruction: its first argument, whole when quoted (with
// the field's doubled backslashes made single), and "#" plus the bookmark of a "\l" switch.
// Other switches ("\o" tooltip, "\t" frame...) and their arguments are passed over.
std::string HyperlinkTarget(std::string_view instruction) {
    std::string address, location;
    size_t i = 9;  // after "HYPERLINK"
    const auto argument = [&]() {
        while (i < instruction.size() && instruction[i] == ' ') ++i;
        std::string value;
        if (i < instruction.size() && instruction[i] == '"') {
            const size_t close = instruction.find('"', i + 1);
            const size_t end = close == std::string_view::npos ? instruction.size() : close;
            value = Strings::ReplaceAll(std::string(instruction.substr(i + 1, end - i - 1)), "\\\\", "\\");
            i = end + 1;
        } else {
            const size_t start = i;
            while (i < instruction.size() && instruction[i] != ' ') ++i;
            value = std::string(instruction.substr(start, i - start));
        }
        return value;
    };
    while (i < instruction.size()) {
        while (i < instruction.size() && instruction[i] == ' ') ++i;
        if (i >= instruction.size()) break;
        if (instruction[i] == '\\' && i + 1 < instruction.size()) {
            const char sw = instruction[i + 1];
            i += 2;
            if (sw == 'l') location = argument();
            else if (sw == 'o' || sw == 't') argument();
        } else if (address.empty()) {
            address = argument();
        } else {
            argument();
        }
    }
    return location.empty() ? address : address + "#" + location;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Input: a 4096-byte buffer over a stream, or the whole text at once; one character can be
// pushed back.

TRVRTFErrorCode TRVRTFReader::ReadFromStream(std::istream& stream) {
    FStream = &stream;
    if (!FBuffer) FBuffer = std::make_unique<char[]>(BufferSize);
    FCur = FEnd = nullptr;
    const TRVRTFErrorCode code = Parse();
    FStream = nullptr;
    return code;
}

TRVRTFErrorCode TRVRTFReader::ReadFromString(std::string_view rtf) {
    FStream = nullptr;
    FCur = rtf.data();
    FEnd = rtf.data() + rtf.size();
    return Parse();
}

bool TRVRTFReader::Refill() {
    if (!FStream) return false;
    FStream->read(FBuffer.get(), BufferSize);
    const std::streamsize got = FStream->gcount();
    if (got <= 0) return false;
    FCur = FBuffer.get();
    FEnd = FCur + got;
    return true;
}

// ---------------------------------------------------------------------------------------
// The main loop.

void TRVRTFReader::Start() {
    FPushedBack = -1;
    FState = TRVRTFReaderState();
    FStack.clear();
    FPosition = rtf_ts_NewPara;
    FText.Reset(static_cast<bool>(OnNewUnicodeText));
    FDestText.Reset(false);
    FFieldInst.Reset(false);
    FCodePage = DefCodePage > 0 ? DefCodePage : RtfCodePage::DefaultCodePage;
    FUnicodeSkipLeft = FBinLeft = 0;
    FSkipDestIfUnknown = false;
    FHexValue = FHexDigits = FPictNibble = FPictDigits = 0;
    FTableLevel = 0;
    FFontNameOpen = false;
    FPicture.reset();
    FFonts.clear();
    FFontIndexes.clear();
    FColors.clear();
    FStyles.clear();
    FNoteCount = 0;
    FBodyPosition = rtf_ts_NewPara;
    FIsDocument = false;
}

TRVRTFErrorCode TRVRTFReader::Parse() {
    Start();
    int c;
    while ((c = GetC()) != Eof) {
        if (FState.InternalState == risBin) {
            // Raw bytes go to the destination as they are: picture data, or characters.
            TRVRTFErrorCode code = rtf_ec_OK;
            if (FState.Destination == rdsPicture) {
                if (FPicture) FPicture->Data.push_back(static_cast<char>(c));
            } else {
                code = DeliverChar(c, csRaw);
            }
            if (--FBinLeft <= 0) FState.InternalState = risNorm;
            if (code != rtf_ec_OK) return Finish(code);
            continue;
        }
        TRVRTFErrorCode code = rtf_ec_OK;
        switch (c) {
            case '{': code = PushState(); break;
            case '}':
                code = PopState();
                // A document ends with its group; a fragment without the "rtf" header (as
                // writers put on the clipboard) goes on with its next group.
                if (code == rtf_ec_OK && FStack.empty() && FIsDocument) return Finish(rtf_ec_OK);
                break;
            case '\r':
            case '\n': break;
            default:
                // Whatever comes before the document's first group is not part of it.
                if (FStack.empty()) break;
                if (c == '\\') code = ParseKeyword();
                else if (FState.InternalState == risHex) code = ParseHexDigit(c);
                else if (FState.InternalState == risNorm) code = DeliverSkippable(c, c < 0x80 ? csAnsi : csRaw);
                else code = rtf_ec_Assertion;
        }
        if (code != rtf_ec_OK) return Finish(code);
    }
    return Finish(FStack.empty() ? rtf_ec_OK : rtf_ec_UnmatchedBrace);
}

// The end, regular or not: the pending run is reported, open table levels are closed and the
// colour table loses the auto entry its last ";" opened.
TRVRTFErrorCode TRVRTFReader::Finish(TRVRTFErrorCode code) {
    Flush();
    while (FTableLevel > 0) {
        --FTableLevel;
        FireTable(rvf_tbl_TableEnd);
    }
    if (!FColors.empty() && FColors.back() == clWindowText) FColors.pop_back();
    return code;
}

TRVRTFErrorCode TRVRTFReader::PushState() {
    FUnicodeSkipLeft = 0;
    FSkipDestIfUnknown = false;
    if (FStack.size() >= MaxGroupDepth) return rtf_ec_StackOverflow;
    FStack.push_back(FState);
    if (FState.Destination == rdsStyleSheet) {
        FState.Destination = rdsStyleSheetEntry;
        FStyleEntry = TRVRTFStyleSheetEntry();
        FDestText.Reset(false);
    }
    return rtf_ec_OK;
}

TRVRTFErrorCode TRVRTFReader::PopState() {
    FUnicodeSkipLeft = 0;
    FSkipDestIfUnknown = false;
    if (FStack.empty()) return rtf_ec_StackUnderflow;
    TRVRTFReaderState& outer = FStack.back();
    const TRVRTFDestination ending = FState.Destination;
    if (ending == rdsStyleSheetEntry && outer.Destination == rdsStyleSheet) CompleteStyleEntry();
    if (ending == rdsNorm) Flush();
    const TRVRTFErrorCode code = ending != outer.Destination ? EndDestination(ending, outer) : rtf_ec_OK;
    const bool noteEnds = FState.InNote && !outer.InNote;
    FState = std::move(outer);
    FStack.pop_back();
    if (noteEnds) EndNote();
    return code;
}

TRVRTFErrorCode TRVRTFReader::EndDestination(TRVRTFDestination ending, TRVRTFReaderState& outer) {
    switch (ending) {
        case rdsPicture: EndPicture(); break;
        case rdsFldInst: EndFieldInstruction(outer); break;
        case rdsField: FFieldInst.Reset(false); break;
        case rdsFontTable: CompleteFontName(); break;
        default: break;
    }
    return rtf_ec_OK;
}

// ---------------------------------------------------------------------------------------
// Keywords.

TRVRTFErrorCode TRVRTFReader::ParseKeyword() {
    int c = GetC();
    if (c == Eof) return rtf_ec_EndOfFile;
    if (!IsLetter(c)) {
        const char symbol = static_cast<char>(c);
        return TranslateKeyword(std::string_view(&symbol, 1), false, 0);
    }
    // Every keyword in the table is shorter than this; a longer one is read whole, and what is
    // kept of it matches nothing.
    char name[32];
    size_t length = 0;
    while (IsLetter(c)) {
        if (length < sizeof name) name[length++] = static_cast<char>(c);
        c = GetC();
    }
    bool negative = false, hasParam = false;
    long long param = 0;
    if (c == '-') {
        negative = true;
        c = GetC();
    }
    while (IsDigit(c)) {
        hasParam = true;
        param = std::min<long long>(param * 10 + (c - '0'), INT_MAX);
        c = GetC();
    }
    if (c != ' ' && c != Eof) UngetC(c);
    if (FStack.size() == 1 && std::string_view(name, length) == "rtf") FIsDocument = true;
    if (FUnicodeSkipLeft > 0) {  // a keyword counts as one fallback character
        --FUnicodeSkipLeft;
        return rtf_ec_OK;
    }
    return TranslateKeyword(std::string_view(name, length), hasParam, static_cast<int>(negative ? -param : param));
}

TRVRTFErrorCode TRVRTFReader::TranslateKeyword(std::string_view name, bool hasParam, int param) {
    const TRVRTFKeyword* keyword = RVRTFKeywords::Find(name);
    if (!keyword) {
        if (FSkipDestIfUnknown) FState.Destination = rdsSkip;
        FSkipDestIfUnknown = false;
        return rtf_ec_OK;
    }
    FSkipDestIfUnknown = false;
    const int value = keyword->UseDef || !hasParam ? keyword->DefValue : param;
    if (FState.Destination == rdsSkip && !(keyword->Kind == rtf_kwd_Spec && keyword->Index == ispecBin))
        return rtf_ec_OK;
    switch (keyword->Kind) {
        case rtf_kwd_Char: return DeliverSkippable(keyword->Index, csUnicode);
        case rtf_kwd_Dest: return ChangeDestination(keyword->Index);
        case rtf_kwd_Prop: return ParseProperty(*keyword, value, name);
        case rtf_kwd_Spec: return ParseSpecial(keyword->Index, value);
    }
    return rtf_ec_BadTable;
}

TRVRTFErrorCode TRVRTFReader::ParseHexDigit(int c) {
    const int digit = HexDigitValue(c);
    if (digit < 0) return rtf_ec_InvalidHex;
    FHexValue = FHexValue * 16 + digit;
    if (++FHexDigits < 2) return rtf_ec_OK;
    FState.InternalState = risNorm;
    const int byte = FHexValue;
    FHexValue = FHexDigits = 0;
    return DeliverSkippable(byte, csCodePage);
}

TRVRTFErrorCode TRVRTFReader::ChangeDestination(int index) {
    switch (index) {
        case idestPict:
            if (FState.Destination == rdsPicture) return rtf_ec_InvalidPicture;
            if (OnNewPicture) {
                FPicture = std::make_unique<TRVRTFPicture>();
                FPicture->Role = FState.PictureRole;
            }
            FState.Destination = rdsPicture;
            FPictNibble = FPictDigits = 0;
            break;
        case idestFontTbl:
            FFonts.clear();
            FFontIndexes.clear();
            FFontNameOpen = false;
            FState.Destination = rdsFontTable;
            break;
        case idestStyleSheet:
            FStyles.clear();
            FState.Destination = rdsStyleSheet;
            break;
        case idestColorTbl:
            FColors.assign(1, clWindowText);
            FState.Destination = rdsColorTable;
            break;
        case idestField:
            Flush();
            FState.Destination = rdsField;
            break;
        case idestFldInst:
            if (FState.Destination != rdsField) break;
            FFieldInst.Reset(false);
            FState.Destination = rdsFldInst;
            break;
        case idestNormal: FState.Destination = rdsNorm; break;
        case idestSkip: FState.Destination = rdsSkip; break;
        case idestShape:
        case idestShapeCopy:
            FState.Destination = rdsShape;
            FState.PictureRole = index == idestShape ? rtf_pr_Shape : rtf_pr_ShapeCopy;
            break;
        case idestFootnote:
            // A note is text of the body's flow only; one inside another is left out.
            if (FState.InNote || FState.Destination != rdsNorm) FState.Destination = rdsSkip;
            else StartNote();
            break;
        default: return rtf_ec_BadTable;
    }
    return rtf_ec_OK;
}

TRVRTFErrorCode TRVRTFReader::ParseSpecial(int index, int value) {
    switch (index) {
        case ispecBin:
            if (value > 0) {
                FState.InternalState = risBin;
                FBinLeft = value;
            }
            return rtf_ec_OK;
        case ispecSkipDest: FSkipDestIfUnknown = true; return rtf_ec_OK;
        case ispecHex:
            FState.InternalState = risHex;
            FHexValue = FHexDigits = 0;
            return rtf_ec_OK;
        case ispecNoteNumber: return DeliverNoteNumber();
        default: return rtf_ec_BadTable;
    }
}

// ---------------------------------------------------------------------------------------
// Properties.

TRVRTFErrorCode TRVRTFReader::ParseProperty(const TRVRTFKeyword& keyword, int value, std::string_view name) {
    // Every run keeps one character formatting: a change ends the run collected so far.
    if (keyword.Group == rtf_kg_CharFormat && FState.Destination == rdsNorm) Flush();
    const int index = keyword.Index;
    const bool handled = ParseCharProperty(index, value) || ParseParaProperty(index, value) ||
                         ParseTableProperty(index, value, name) || ParseDocumentProperty(index, value);
    return handled ? rtf_ec_OK : rtf_ec_BadTable;
}

bool TRVRTFReader::ParseCharProperty(int index, int value) {
    TRVRTFCharProperties& cp = FState.CharProps;
    const auto setStyle = [&](int bit) { cp.Style = value != 0 ? (cp.Style | bit) : (cp.Style & ~bit); };
    switch (index) {
        case ipropBold: setStyle(rvfsBold); break;
        case ipropItalic: setStyle(rvfsItalic); break;
        case ipropUnderline: setStyle(rvfsUnderline); break;
        case ipropStrike: setStyle(rvfsStrikeOut); break;
        case ipropUnderlineNone: cp.Style &= ~rvfsUnderline; break;
        case ipropFontSize: cp.Size = value / 2; break;
        case ipropForeColor: cp.Color = ColorAt(value, cp.Color); break;
        case ipropFont:
            if (FState.Destination == rdsFontTable) StartFont(value);
            else cp.FontIndex = FontIndexOf(value);
            break;
        case ipropDefFont:
            FState.DefFont = value;
            if (FState.Destination == rdsNorm) cp.FontIndex = value;
            break;
        case ipropVShift: cp.VShift = value; break;
        case ipropPlain: cp.Reset(); break;
        case ipropCharBackColor: cp.BackColor = ColorAt(value, cp.BackColor); break;
        case ipropCharScaleX: cp.HScale = value; break;
        case ipropExpand: cp.Spacing = value; break;
        case ipropCaps: cp.Caps = value != 0; break;
        case ipropHidden: cp.Hidden = value != 0; break;
        case ipropRaise: cp.VShift = value > 0 ? 2 : value < 0 ? 1 : 0; break;
        case ipropLower: cp.VShift = value > 0 ? 1 : value < 0 ? 2 : 0; break;
        case ipropCharStyle:
            if (FState.Destination == rdsStyleSheetEntry) {
                FStyleEntry.Kind = rtf_sk_Character;
                FStyleEntry.Number = value;
            } else {
                cp.StyleNo = value;
            }
            break;
        default: return false;
    }
    return true;
}

bool TRVRTFReader::ParseParaProperty(int index, int value) {
    TRVRTFParaProperties& pp = FState.ParaProps;
    switch (index) {
        case ipropPard: pp.Reset(); break;
        case ipropAlign: pp.Alignment = value; break;
        case ipropLeftIndent: pp.LeftIndent = value; break;
        case ipropRightIndent: pp.RightIndent = value; break;
        case ipropFirstIndent: pp.FirstIndent = value; break;
        case ipropSpaceBefore: pp.SpaceBefore = value; break;
        case ipropSpaceAfter: pp.SpaceAfter = value; break;
        case ipropLineSpacing: pp.LineSpacing = value; break;
        case ipropLineSpacingMulti: pp.LineSpacingMulti = value != 0; break;
        case ipropParaShading: pp.Shading = ColorAt(value, pp.Shading); break;
        case ipropInTable: pp.InTable = true; break;
        case ipropNestLevel: pp.NestingLevel = std::clamp(value, 0, MaxTableNesting); break;
        case ipropParaStyle:
            if (FState.Destination == rdsStyleSheetEntry) {
                FStyleEntry.Kind = rtf_sk_Paragraph;
                FStyleEntry.Number = value;
            } else {
                pp.StyleNo = value;
            }
            break;
        case ipropFramed: pp.Framed = true; break;
        case ipropListText: pp.ListText = true; break;
        case ipropParaBorder:
            FState.BorderTarget = rtf_bt_Para;
            FState.BorderSides = 1 << value;
            break;
        case ipropParaBox:
            FState.BorderTarget = rtf_bt_Para;
            FState.BorderSides = 0xF;
            break;
        case ipropParaBorderOther: FState.BorderTarget = rtf_bt_None; break;
        case ipropBorderKind: ForEachBorderSide([&](TRVRTFBorderSide& side) { side.Kind = value; }); break;
        case ipropBorderWidth: ForEachBorderSide([&](TRVRTFBorderSide& side) { side.Width = value; }); break;
        case ipropBorderColor:
            ForEachBorderSide([&](TRVRTFBorderSide& side) { side.Color = ColorAt(value, side.Color); });
            break;
        case ipropBorderSpace: ForEachBorderSide([&](TRVRTFBorderSide& side) { side.Space = value; }); break;
        default: return false;
    }
    return true;
}

bool TRVRTFReader::ParseTableProperty(int index, int value, std::string_view name) {
    TRVRTFRowProperties& row = FState.RowProps;
    TRVRTFCellProperties& cell = row.NextCell;
    switch (index) {
        case ipropCell:
            if (FState.Destination != rdsNorm) break;
            Flush();
            FPosition = rtf_ts_NewPara;
            FireTable(rvf_tbl_CellEnd);
            break;
        case ipropRow:
            if (FState.Destination == rdsNorm) FireTable(rvf_tbl_RowEnd);
            break;
        case ipropRowDefault:
            row.Reset();
            FState.BorderTarget = rtf_bt_None;
            break;
        case ipropRowAlign: row.Alignment = value; break;
        case ipropRowGapH: row.GapH = value; break;
        case ipropRowLeft: row.Left = value; break;
        case ipropRowHeight: row.Height = value; break;
        case ipropRowHeading: row.Heading = true; break;
        case ipropRowKeep: row.KeepTogether = true; break;
        case ipropRowAutoFit: row.AutoFit = value != 0; break;
        case ipropRowWidth: row.BestWidth = value; break;
        case ipropRowWidthType: row.BestWidthType = value; break;
        case ipropRowPadding: row.Padding[PaddingSide(name)] = value; break;
        case ipropRowPaddingUnits: row.PaddingUnits[PaddingSide(name)] = value; break;
        case ipropRowBorder:
            FState.BorderTarget = rtf_bt_Row;
            FState.BorderSides = 1 << value;
            break;
        case ipropCellX:
            cell.RightBoundary = value;
            if (row.Cells().size() < MaxCellsPerRow) row.AddCell(cell);
            cell = TRVRTFCellProperties();
            if (FState.BorderTarget == rtf_bt_Cell) FState.BorderTarget = rtf_bt_None;
            break;
        case ipropCellHMergeFirst: cell.HMergeFirst = true; break;
        case ipropCellHMerge: cell.HMerge = true; break;
        case ipropCellVMergeFirst: cell.VMergeFirst = true; break;
        case ipropCellVMerge: cell.VMerge = true; break;
        case ipropCellVAlign: cell.VAlign = value; break;
        case ipropCellBackColor: cell.BackColor = ColorAt(value, cell.BackColor); break;
        case ipropCellPatternColor: cell.PatternColor = ColorAt(value, cell.PatternColor); break;
        case ipropCellShading: cell.Shading = value; break;
        case ipropCellWidth: cell.BestWidth = value; break;
        case ipropCellWidthType: cell.BestWidthType = value; break;
        case ipropCellPadding: cell.Padding[PaddingSide(name)] = value; break;
        case ipropCellPaddingUnits: cell.PaddingUnits[PaddingSide(name)] = value; break;
        case ipropCellBorder:
            FState.BorderTarget = rtf_bt_Cell;
            FState.BorderSides = 1 << value;
            break;
        default: return false;
    }
    return true;
}

bool TRVRTFReader::ParseDocumentProperty(int index, int value) {
    TRVRTFSectionProperties& sect = FState.SectProps;
    TRVRTFDocProperties& doc = FState.DocProps;
    const auto colorPart = [&](int shift) {
        if (FState.Destination != rdsColorTable || FColors.empty()) return;
        TColor& color = FColors.back();
        if (color == clWindowText) color = 0;
        color = (color & ~(0xFF << shift)) | ((value & 0xFF) << shift);
    };
    const bool inPicture = FState.Destination == rdsPicture && FPicture;
    const bool inFontTable = FState.Destination == rdsFontTable && !FFonts.empty();
    switch (index) {
        case ipropRed: colorPart(0); break;
        case ipropGreen: colorPart(8); break;
        case ipropBlue: colorPart(16); break;
        case ipropFontFamily:
            if (inFontTable) FFonts.back().Family = value;
            break;
        case ipropFontCharset:
            if (inFontTable) FFonts.back().Charset = value;
            break;
        case ipropFontCodePage:
            if (inFontTable && value > 0) FFonts.back().CodePage = value;
            break;
        case ipropUnicode: DeliverUnicode(value); break;
        case ipropUnicodeSkip: FState.UnicodeSkip = std::max(0, value); break;
        case ipropAnsiCodePage:
        case ipropCharacterSet:
            if (value > 0) FCodePage = value;
            break;
        case ipropPage:
            if (OnRequiredPageBreak && FState.Destination == rdsNorm) {
                Flush();
                OnRequiredPageBreak(*this);
            }
            break;
        case ipropPicW:
            if (inPicture) FPicture->PicW = value;
            break;
        case ipropPicH:
            if (inPicture) FPicture->PicH = value;
            break;
        case ipropPicWidthBytes:
            if (inPicture) FPicture->WBMWidthBytes = value;
            break;
        case ipropPicType:
            if (inPicture) FPicture->Type = static_cast<TRVRTFPictureType>(value);
            break;
        case ipropWMetafile:
            if (inPicture) {
                FPicture->Type = rtf_pict_WMF;
                FPicture->MetafileMapMode = value;
            }
            break;
        case ipropPicWGoal:
            if (inPicture) FPicture->PicWGoal = value;
            break;
        case ipropPicHGoal:
            if (inPicture) FPicture->PicHGoal = value;
            break;
        case ipropPicScaleX:
            if (inPicture) FPicture->ScaleX = value;
            break;
        case ipropPicScaleY:
            if (inPicture) FPicture->ScaleY = value;
            break;
        case ipropSectDefault: sect.Reset(); break;
        case ipropSectBreak: sect.BreakKind = value; break;
        case ipropPageNumX: sect.PageNumX = value; break;
        case ipropPageNumY: sect.PageNumY = value; break;
        case ipropPageNumFormat: sect.PageNumFormat = value; break;
        case ipropPageNumStart: sect.PageNumStart = value; break;
        case ipropColumns: sect.Columns = value; break;
        case ipropPaperWidth: doc.PaperWidth = value; break;
        case ipropPaperHeight: doc.PaperHeight = value; break;
        case ipropMarginLeft: doc.MarginLeft = value; break;
        case ipropMarginRight: doc.MarginRight = value; break;
        case ipropMarginTop: doc.MarginTop = value; break;
        case ipropMarginBottom: doc.MarginBottom = value; break;
        case ipropFacingPages: doc.FacingPages = true; break;
        case ipropLandscape: doc.Landscape = true; break;
        case ipropSectStyle:
            if (FState.Destination == rdsStyleSheetEntry) {
                FStyleEntry.Kind = rtf_sk_Section;
                FStyleEntry.Number = value;
            } else {
                sect.StyleNo = value;
            }
            break;
        case ipropBasedOn: FStyleEntry.BasedOn = value; break;
        case ipropNext: FStyleEntry.Next = value; break;
        case ipropAdditive: FStyleEntry.Additive = true; break;
        case ipropStyleHidden: FStyleEntry.Hidden = true; break;
        default: return false;
    }
    return true;
}

template <class F>
void TRVRTFReader::ForEachBorderSide(F&& f) {
    TRVRTFBorderSide* sides = nullptr;
    int count = 0;
    switch (FState.BorderTarget) {
        case rtf_bt_Para: sides = FState.ParaProps.Border.Sides; count = 4; break;
        case rtf_bt_Row: sides = FState.RowProps.Border; count = 6; break;
        case rtf_bt_Cell: sides = FState.RowProps.NextCell.Border; count = 4; break;
        default: return;
    }
    for (int i = 0; i < count; ++i)
        if (FState.BorderSides & (1 << i)) f(sides[i]);
}

// ---------------------------------------------------------------------------------------
// Characters.

TRVRTFErrorCode TRVRTFReader::DeliverSkippable(int code, TCharSource source) {
    if (FUnicodeSkipLeft > 0) {
        --FUnicodeSkipLeft;
        return rtf_ec_OK;
    }
    return DeliverChar(code, source);
}

TRVRTFErrorCode TRVRTFReader::DeliverChar(int code, TCharSource source) {
    switch (FState.Destination) {
        case rdsNorm:
            if (FState.CharProps.Hidden) break;  // hidden text and its breaks are not shown
            if (code == '\n') Break(rtf_ts_NewPara);
            else if (code == '\r') Break(rtf_ts_NewLine);
            else if (code != 0) AddTo(FText, code, source);
            break;
        case rdsFontTable:
            if (code == ';') CompleteFontName();
            else if (FFontNameOpen) AddTo(FDestText, code, source, CodePageOfFont(FFonts.back()));
            break;
        case rdsColorTable:
            if (code == ';') FColors.push_back(clWindowText);
            break;
        case rdsStyleSheetEntry:
            if (code != ';') AddTo(FDestText, code, source);
            break;
        case rdsPicture: return AddPictureDigit(code);
        case rdsFldInst: AddTo(FFieldInst, code, source); break;
        case rdsSkip:
        case rdsStyleSheet:
        case rdsField:
        case rdsShape: break;
    }
    return rtf_ec_OK;
}

// A code page of 0 stands for the code page of the current font.
void TRVRTFReader::AddTo(TRVRTFTextBuffer& buffer, int code, TCharSource source, int codePage) {
    switch (source) {
        case csAnsi: buffer.AddAnsi(static_cast<char>(code)); break;
        case csRaw:
            if (RawCodePage > 0) codePage = RawCodePage;
            [[fallthrough]];
        case csCodePage: buffer.AddCodePageByte(static_cast<char>(code), codePage ? codePage : CurrentCodePage()); break;
        case csUnicode: buffer.AddUnicode(static_cast<char16_t>(code)); break;
    }
}

// "u": a UTF-16 unit (negative values stand for the upper half), followed by fallback
// characters for readers without Unicode. Without a Unicode listener the keyword is ignored
// and the fallback stays.
void TRVRTFReader::DeliverUnicode(int value) {
    if (!OnNewUnicodeText) return;
    FUnicodeSkipLeft = FState.UnicodeSkip;
    if (value < 0) value += 0x10000;
    if (value < 0) return;
    if (value <= 0xFFFF) {
        DeliverChar(value, csUnicode);
    } else if (value <= 0x10FFFF) {  // some writers put a whole code point in one keyword
        value -= 0x10000;
        DeliverChar(0xD800 + (value >> 10), csUnicode);
        DeliverChar(0xDC00 + (value & 0x3FF), csUnicode);
    }
}

TRVRTFErrorCode TRVRTFReader::AddPictureDigit(int code) {
    if (code == ' ' || code == '\t') return rtf_ec_OK;
    const int digit = HexDigitValue(code);
    if (digit < 0) return rtf_ec_InvalidPicture;
    FPictNibble = FPictNibble * 16 + digit;
    if (++FPictDigits == 2) {
        if (FPicture) FPicture->Data.push_back(static_cast<char>(FPictNibble));
        FPictNibble = FPictDigits = 0;
    }
    return rtf_ec_OK;
}

int TRVRTFReader::CurrentCodePage() const {
    const int index = FState.CharProps.FontIndex;
    if (index >= 0 && index < static_cast<int>(FFonts.size())) return CodePageOfFont(FFonts[static_cast<size_t>(index)]);
    return FCodePage;
}

int TRVRTFReader::CodePageOfFont(const TRVRTFFont& font) const {
    return font.CodePage > 0 ? font.CodePage : RtfCodePage::CodePageOfCharset(font.Charset, FCodePage);
}

// ---------------------------------------------------------------------------------------
// Runs and events.

// A paragraph end (next 2), a line end (next 1) or a plain flush (next 0). Pending text is
// reported with the current position. Without pending text a plain flush does nothing, and a
// break reports an empty run only when it follows another break (an empty paragraph).
void TRVRTFReader::Break(TRVRTFPosition next) {
    if (!FText.Empty()) {
        ReportRun();
        FPosition = next;
        return;
    }
    if (next == rtf_ts_ContinuePara) return;
    if (FPosition != rtf_ts_ContinuePara) ReportRun();
    FPosition = next;
}

void TRVRTFReader::ReportRun() {
    SyncTableLevel();
    if (OnNewUnicodeText) {
        const std::u16string text = FText.TakeWide();
        OnNewUnicodeText(*this, text, FPosition);
    } else if (OnNewText) {
        const std::string text = FText.TakeAnsi();
        OnNewText(*this, text, FPosition);
    } else {
        FText.Reset(false);
    }
}

void TRVRTFReader::SyncTableLevel() {
    const TRVRTFParaProperties& pp = FState.ParaProps;
    const int wanted = pp.InTable ? std::max(1, pp.NestingLevel) : 0;
    while (FTableLevel < wanted) {
        ++FTableLevel;
        FireTable(rvf_tbl_TableStart);
    }
    while (FTableLevel > wanted) {
        --FTableLevel;
        FireTable(rvf_tbl_TableEnd);
    }
}

void TRVRTFReader::FireTable(TRVRTFTableEventKind kind) {
    if (OnTable) OnTable(*this, kind);
}

// A picture whose data is not the image its type says is left out, and the document goes on.
void TRVRTFReader::EndPicture() {
    Flush();
    const std::unique_ptr<TRVRTFPicture> picture = std::move(FPicture);
    if (!picture || FState.CharProps.Hidden) return;
    std::unique_ptr<TRVGraphic> graphic;
    if (!TrapVoid("TRVRTFReader.EndPicture", [&] { graphic = RtfPictures::MakeGraphic(*picture); }) || !graphic) return;
    OnNewPicture(*this, picture.get(), *graphic, FPosition);
    FPosition = rtf_ts_ContinuePara;
}

// "HYPERLINK": the runs of the field's result link to the field's address. Other fields
// ("INCLUDEPICTURE" among them) show their result as it stands and read nothing.
void TRVRTFReader::EndFieldInstruction(TRVRTFReaderState& fieldState) {
    const std::string instruction = Strings::Trim(FFieldInst.TakeAnsi());
    if (instruction.size() > 9 && Strings::AsciiSameText(std::string_view(instruction).substr(0, 9), "HYPERLINK") &&
        instruction[9] == ' ')
        fieldState.Link = HyperlinkTarget(instruction);
}

// A note's text starts its own paragraph; the body goes on where it stopped.
void TRVRTFReader::StartNote() {
    Flush();
    FState.Destination = rdsNorm;
    FState.InNote = true;
    ++FNoteCount;
    FBodyPosition = FPosition;
    FPosition = rtf_ts_NewPara;
    if (OnNote) OnNote(*this, FNoteCount, true);
}

void TRVRTFReader::EndNote() {
    Flush();
    if (OnNote) OnNote(*this, FNoteCount, false);
    FPosition = FBodyPosition;
}

// "chftn": in the body the number of the note that follows, in a note its own number.
TRVRTFErrorCode TRVRTFReader::DeliverNoteNumber() {
    if (FState.Destination != rdsNorm || FState.CharProps.Hidden) return rtf_ec_OK;
    const int number = FState.InNote ? FNoteCount : FNoteCount + 1;
    if (!OnNoteNumber) {
        for (char c : std::to_string(number)) DeliverChar(c, csAnsi);
        return rtf_ec_OK;
    }
    Flush();
    OnNoteNumber(*this, number, FPosition);
    FPosition = rtf_ts_ContinuePara;
    return rtf_ec_OK;
}

// ---------------------------------------------------------------------------------------
// Font, colour and style tables.

void TRVRTFReader::StartFont(int number) {
    CompleteFontName();
    TRVRTFFont font;
    font.Number = number;
    FFontIndexes.emplace(number, static_cast<int>(FFonts.size()));  // the first font of a number counts
    FFonts.push_back(font);
    FFontNameOpen = true;
    FDestText.Reset(false);
}

// A font's name ends at its ";", or at the next font or the table's end when the ";" is missing.
void TRVRTFReader::CompleteFontName() {
    if (!FFontNameOpen) return;
    FFontNameOpen = false;
    FFonts.back().Name = Strings::Trim(FDestText.TakeAnsi());
}

int TRVRTFReader::FontIndexOf(int number) const {
    const auto it = FFontIndexes.find(number);
    return it != FFontIndexes.end() ? it->second : FState.DefFont;
}

TColor TRVRTFReader::ColorAt(int index, TColor fallback) const {
    return index >= 0 && static_cast<size_t>(index) < FColors.size() ? FColors[static_cast<size_t>(index)] : fallback;
}

void TRVRTFReader::CompleteStyleEntry() {
    FStyleEntry.Name = FDestText.TakeAnsi();
    FStyleEntry.CharProps = FState.CharProps;
    FStyleEntry.ParaProps = FState.ParaProps;
    FStyles.push_back(FStyleEntry);
}
