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

bool ParsePadded(TiXmlDocument& doc, const char* text, size_t length)
{
    std::string padded(text, length);
    padded.append(kParsePadding, '\0');
    doc.Parse(padded.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    return !doc.Error();
}

int AdoptDocument(TiXmlDocument& doc, const char* source)
{
    const TiXmlElement* root = doc.FirstChildElement("tavikxmlfile");
    if (!root) return 0;
    TiXmlNode* clone = root->Clone();
    if (!clone) return 0;
    gRoots.Push(new XmlDefinitionRoot(clone->ToElement(), source));
    return 1;
}

}  // namespace

XmlDefinitionRoot::XmlDefinitionRoot(TiXmlElement* rootElement, const char* sourcePath)
    : element(rootElement), path(sourcePath)
{
}

XmlDefinitionRoot::~XmlDefinitionRoot()
{
    delete element;
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
    TiXmlDocument doc(path);
    if (!ParsePadded(doc, text.c_str(), strlen(text.c_str()))) return 0;
    return AdoptDocument(doc, path);
}

int LoadXmlDefinitionText(const char* text, const char* source)
{
    if (!text) return 0;
    TiXmlDocument doc;
    if (!ParsePadded(doc, text, strlen(text))) return 0;
    return AdoptDocument(doc, source ? source : "");
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
