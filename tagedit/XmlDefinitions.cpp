#include "tagedit/XmlDefinitions.h"
#include <tinyxml.h>
#include <cstdio>
#include <cstring>
#include <string>
#include "foundation/DynArray.h"
#include "foundation/Files.h"

namespace {

DynArray<XmlDefinitionRoot*> gRoots = {};
DynArray<const TiXmlElement*> gStructEdits = {};

// Exit-time release of the process-wide lists.
struct XmlDefinitionsAtExit {
    ~XmlDefinitionsAtExit()
    {
        FreeXmlDefinitions();
        gStructEdits.Free();
    }
} gAtExit;

int LoadXmlDefinitionEntry(const FileInfo*, const char* folder, const char* name, void*)
{
    std::string path(folder);
    path += name;
    LoadXmlDefinitionFile(path.c_str());
    return 1;
}

// TinyXML's name reader steps over a UTF-8 lead byte's whole sequence without looking for the
// end of the text, so a file ending inside a sequence would be read past its buffer; the
// text is parsed from a copy with room for the longest sequence after its terminator.
constexpr size_t kParsePadding = 8;

// Parses text that is followed by at least kParsePadding zero bytes; keeps the document when
// it has a "tavikxmlfile" element.
int ParseAndAdopt(const char* paddedText, const char* source)
{
    TiXmlDocument* doc = new TiXmlDocument(source);
    doc->Parse(paddedText, nullptr, TIXML_DEFAULT_ENCODING);
    const TiXmlElement* root = doc->Error() ? nullptr : doc->FirstChildElement("tavikxmlfile");
    if (!root) {
        delete doc;
        return 0;
    }
    gRoots.Push(new XmlDefinitionRoot(doc, root, source));
    return 1;
}

}  // namespace

XmlDefinitionRoot::XmlDefinitionRoot(TiXmlDocument* doc, const TiXmlElement* rootElement, const char* sourcePath)
    : document(doc), element(rootElement), path(sourcePath)
{
}

XmlDefinitionRoot::~XmlDefinitionRoot()
{
    delete document;
}

void FreeXmlDefinitions()
{
    // The collected "structedit" elements belong to the roots.
    gStructEdits.Free();
    gRoots.DeleteAll();
}

void LoadXmlDefinitions(const char* folder)
{
    FreeXmlDefinitions();
    ScanFolder(folder, 0, LoadXmlDefinitionEntry, nullptr, nullptr);
}

int LoadXmlDefinitionFile(const char* path)
{
    FILE* f = fopen(path, "rb");
    if (!f) return 0;
    std::string text;
    char block[65536];
    size_t n;
    while ((n = fread(block, 1, sizeof block, f)) > 0) text.append(block, n);
    const bool readOk = !ferror(f);
    fclose(f);
    if (!readOk) return 0;
    // Text stops at an embedded zero byte, as a C string does.
    text.append(kParsePadding, '\0');
    return ParseAndAdopt(text.c_str(), path);
}

int LoadXmlDefinitionText(const char* text, const char* source)
{
    if (!text) return 0;
    std::string padded(text);
    padded.append(kParsePadding, '\0');
    return ParseAndAdopt(padded.c_str(), source ? source : "");
}

u32 XmlDefinitionCount()
{
    return gRoots.count;
}

const XmlDefinitionRoot* XmlDefinitionAt(u32 i)
{
    return i < gRoots.count ? gRoots[i] : nullptr;
}

void CollectStructEditDefinitions()
{
    gStructEdits.Free();
    for (XmlDefinitionRoot* root : gRoots)
        for (const TiXmlElement* e = root->Element()->FirstChildElement("structedit"); e;
             e = e->NextSiblingElement("structedit"))
            gStructEdits.Push(e);
}

const TiXmlElement* FindStructEditDefinition(const char* name)
{
    if (!name) return nullptr;
    for (const TiXmlElement* e : gStructEdits) {
        const char* s = e->Attribute("struct");
        if (s && strcmp(s, name) == 0) return e;
    }
    return nullptr;
}
