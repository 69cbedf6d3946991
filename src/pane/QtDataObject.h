#pragma once
// Qt's drop and clipboard data as the drop target reads it: MIME types mapped onto the
// clipboard formats. message/rfc822 and dropped .eml files give the e-mail message; text/html
// "HTML Format" (wrapped in a CF_HTML header carrying the page's address when the source
// program offers it); text/rtf, text/richtext and application/rtf "Rich Text Format"; links
// (text/x-moz-url, _NETSCAPE_URL, text/uri-list) "UniformResourceLocator" with the link's
// title as the descriptor's name; text/plain plain text. A dropped local file is offered as
// the formats its kind maps to. Text is handed over with CR LF line ends.
#include "dropimport/DataObject.h"
#include "dropimport/FileDataObject.h"

#include <QString>
#include <memory>

class QMimeData;

class TQtDataObject : public TDataObject {
public:
    // mime may be null (an empty clipboard): nothing is offered.
    explicit TQtDataObject(const QMimeData* mime) : FMime(mime) {}

    // Looks at the offered types only: reading a type may make the source program do work
    // (a mail program writes the message to a file when asked for its address).
    bool QueryGetData(const std::string& format) override;
    TGetResult GetData(const std::string& format, std::string& bytes) override;

private:
    TFileDataObject* DroppedFile();
    bool LinkAndTitle(QString& url, QString& title);
    bool HasAny(std::initializer_list<const char*> types) const;

    const QMimeData* FMime;
    std::unique_ptr<TFileDataObject> FFile;
    bool FFileLooked = false;
};
