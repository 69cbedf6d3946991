#pragma once
// TNNotesDropTarget: turns data another program offers (a drop or the clipboard) into the
// three values a note is made from: an HTML body, a suggested title and a source URL. It
// writes no note itself; the pane (or the command-line import) hands the values to the note
// writer. The formats are read in a fixed order of preference: an e-mail message with an
// HTML body, "HTML Format", "Rich Text Format", a link, plain text.
#include "dropimport/DataObject.h"

#include <optional>
#include <string>

class TNNotesDropTarget {
public:
    TNNotesDropTarget();
    ~TNNotesDropTarget();
    TNNotesDropTarget(const TNNotesDropTarget&) = delete;
    TNNotesDropTarget& operator=(const TNNotesDropTarget&) = delete;

    // The results of the last read; they stay until the next one.
    std::u16string HTML;
    std::u16string Title;  // set by the e-mail road only
    const std::u16string& URL() const { return FURL; }
    // Stores the value decoded from UTF-8: narrowed to 8 bits, then read as UTF-8.
    void SetURL(const std::u16string& value);

    // Whether the data offers one of the readable formats ("FileGroupDescriptor" alone is not).
    bool CheckValidFormats(TDataObject& data);
    bool HasValidFormats(TDataObject& data);
    // Reads the first usable format into HTML, Title and URL; true when a note can be made.
    bool GetDataFromDataObject(TDataObject& data);
    // The read of a drop that has landed: false without data.
    bool DoGetData(TDataObject* current);
    void ClearData();
    // The same checks on the clipboard's data; clipboard is null when it cannot be opened.
    bool ClipbardCheckValidFormats(TDataObject* clipboard);
    bool ClipboardGetData(TDataObject* clipboard);

    // The fragment of a CF_HTML text (8-bit), decoded from UTF-8; sets URL from "SourceURL:".
    std::u16string GetHTMLSelection(const std::string& cfHtml);
    // Converts the RTF held in HTML into HTML in place; pictures go to the temporary folder.
    bool ConvertRTFToHTML();
    // Converts the raw message held in HTML into the e-mail note body; true with an HTML body.
    bool ProccessRFC822();

private:
    enum class TStep { Next, Done, Fail };
    static std::optional<TStep> ReadOrPass(TDataObject& data, const char* format, std::string& bytes);
    TStep ReadMessage(TDataObject& data);
    TStep ReadHtml(TDataObject& data);
    TStep ReadRtf(TDataObject& data);
    TStep ReadLink(TDataObject& data);
    TStep ReadText(TDataObject& data);
    bool LinkText(TDataObject& data, std::string& text);
    bool ProcessMessage(const std::string& source);

    std::u16string FURL;
};
