#pragma once
// Objects loaded from one tag and shared, reference-counted, between the editors that use it.
// While a resource lives it is attached to its tag under 'tres', which keeps the tag from
// being deleted, renamed or unloaded with its archive.
#include <cstdio>
#include <map>
#include "codex/Codex.h"
#include "codex/TagHeader.h"
#include "foundation/CleanHeapObject.h"

class Resource : public CleanHeapObject<NilStruct> {};

class TagResource : public Resource {
public:
    const char* GetClassName() const override { return "TagResource"; }
    ~TagResource() override;

    // Opens the winning copy (refreshing the header copy), ReadData, closes it. 0 when the tag
    // cannot be opened or the data is refused.
    virtual int Load();
    // Writes the tag file through BeginTagWrite/WriteData/FinishTagWrite. 0 on failure (an
    // earlier file of the tag then stays as it was).
    virtual int Save();
    virtual void InitDefault() = 0;
    virtual int ReadData(FILE* stream, const TagHeader* header) = 0;
    virtual int WriteData(FILE* stream, const TagHeader* header) = 0;

    TagEntry* entry;
    u32 referenceCount;
    u32 cleared;
    TagHeader header;
    // The manager the resource is registered with (null when none), so the last release can
    // leave it. Kept here rather than in a map of the library's own: a static map could be
    // destroyed at exit before the run's manager, which still reaches for it then.
    class ResourceManager* owner;

protected:
    // Attaches the resource to its tag.
    explicit TagResource(TagEntry* entry);
};

void ResourceAddRef(TagResource* resource);
// Drops one reference; the last one removes the resource from its manager and deletes it.
void ResourceRelease(TagResource* resource);

// The resources of one kind by tag.
class ResourceManager {
public:
    // Resources still registered are only forgotten (see the .cpp).
    virtual ~ResourceManager();
    TagResource* FindResource(const TagEntry* entry) const;
    void RegisterResource(TagResource* resource);
    void UnregisterResource(TagResource* resource);
    u32 Count() const { return u32(resources.size()); }

protected:
    std::map<const TagEntry*, TagResource*> resources;
};

class TagResourceManagerBase : public ResourceManager {
public:
    // The entry's registered resource, or a new one that is loaded and registered; one
    // reference added. Null for a null entry or when the load fails.
    TagResource* Acquire(TagEntry* entry);
    // Acquire(FindTag(group, id)); null for kNoTagId.
    TagResource* AcquireById(u32 group, u32 tag);
    // A new tag (CreateTag without overwriting) with a default resource, registered, one
    // reference. Nothing is written until Save. Null when the tag is refused.
    TagResource* CreateNew(u32 group, const char* name, u32 tag);

protected:
    virtual TagResource* Make(TagEntry* entry) = 0;
};

template <typename T>
class TagResourceManager : public TagResourceManagerBase {
public:
    T* Acquire(TagEntry* entry) { return static_cast<T*>(TagResourceManagerBase::Acquire(entry)); }
    T* AcquireById(u32 group, u32 tag) { return static_cast<T*>(TagResourceManagerBase::AcquireById(group, tag)); }
    T* CreateNew(u32 group, const char* name, u32 tag)
    {
        return static_cast<T*>(TagResourceManagerBase::CreateNew(group, name, tag));
    }

protected:
    TagResource* Make(TagEntry* entry) override { return new T(entry); }
};
