#pragma once

#include <cstdio>
#include <string>

#include "JsonDocument.h"

// Reads an export document with RapidJSON's SAX reader and hands it over
// in document order, piece by piece, so that memory does not grow with the
// document: the top object's and each folder's own members (everything but
// their "folders" and "sessions" arrays) when the object ends, and each
// session whole, as a small JsonValue with the lines its values began on.
class ImportStreamSink {
public:
    virtual ~ImportStreamSink() = default;
    // An element of a "folders" array that is an object begins.
    virtual void BeginFolder() = 0;
    // It ends; `members` holds its own members.
    virtual void EndFolder(const JsonValue& members) = 0;
    // An element of a "folders" array that is no object.
    virtual void FolderValue(const JsonValue& value) = 0;
    // An element of a "sessions" array, whatever it is.
    virtual void Session(const JsonValue& session) = 0;
    // The document ends; `members` holds the top object's own members, or
    // the whole value when it is no object.
    virtual void EndDocument(const JsonValue& members) = 0;
};

// Streams `file` (a document of UTF-8 text) to `sink`. Throws JsonError
// with the line when the text is no JSON; what the sink throws passes.
void StreamImportDocument(std::FILE* file, ImportStreamSink& sink);
// The same over text in memory.
void StreamImportDocument(std::string_view text, ImportStreamSink& sink);
