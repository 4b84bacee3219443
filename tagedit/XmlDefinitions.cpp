#include "tagedit/XmlDefinitions.h"
#include <tinyxml.h>
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
    TiXmlDocument doc(path);
    if (!doc.LoadFile()) return 0;
    return AdoptDocument(doc, path);
}

int LoadXmlDefinitionText(const char* text, const char* source)
{
    if (!text) return 0;
    TiXmlDocument doc;
    doc.Parse(text);
    if (doc.Error()) return 0;
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
