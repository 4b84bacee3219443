#pragma once
// The XML definition documents of the resource folder: one root element "tavikxmlfile" per
// file, holding "struct" elements (record layouts, StructDef.h) and "structedit" elements
// (the dialogs that edit them). Loaded once at start-up; process-wide.
#include "foundation/String.h"
#include "foundation/Types.h"

class TiXmlDocument;
class TiXmlElement;

// One file's root element, with the file it came from. It keeps the parsed document the
// element lives in (rather than a clone of the element: cloning costs as much as parsing).
class XmlDefinitionRoot {
public:
    XmlDefinitionRoot(TiXmlDocument* document, const TiXmlElement* element, const char* path);
    virtual ~XmlDefinitionRoot();
    XmlDefinitionRoot(const XmlDefinitionRoot&) = delete;
    XmlDefinitionRoot& operator=(const XmlDefinitionRoot&) = delete;

    const TiXmlElement* Element() const { return element; }
    const char* Path() const { return path.c_str(); }

private:
    TiXmlDocument* document;
    const TiXmlElement* element;
    String path;
};

// Deletes every loaded root, then loads every file of `folder` (not its sub-folders) with
// LoadXmlDefinitionFile, in the scan's order.
void LoadXmlDefinitions(const char* folder);
// Appends the file's first top-level "tavikxmlfile" element to the roots. A file
// that does not parse, or has no such element, is skipped without a message. Answers 1 when
// a root was added.
int LoadXmlDefinitionFile(const char* path);
// The same for a document held in memory; `source` names it in later messages.
int LoadXmlDefinitionText(const char* text, const char* source);
// Deletes every root (the structedit list dies with them).
void FreeXmlDefinitions();

u32 XmlDefinitionCount();
const XmlDefinitionRoot* XmlDefinitionAt(u32 i);

// Refills the structedit list: every "structedit" child of every root, in order.
void CollectStructEditDefinitions();
// The first collected "structedit" element whose "struct" attribute is exactly `name`, or
// null (also for a null name).
const TiXmlElement* FindStructEditDefinition(const char* name);
