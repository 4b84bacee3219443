#include "codex/TagResource.h"

#include <cstring>

#include "codex/TagFiles.h"

TagResource::TagResource(TagEntry* e)
{
    entry = e;
    GetTagHeader(entry, &header);
    AttachToTag(entry, kAttachResource, this);
}

TagResource::~TagResource()
{
    DetachFromTag(entry, kAttachResource, this);
}

int TagResource::Load()
{
    FILE* stream = OpenTag(entry, &header);
    if (!stream) return 0;
    int ok = ReadData(stream, &header);
    CloseTagReader(entry);
    return ok;
}

int TagResource::Save()
{
    FILE* stream = BeginTagWrite(entry, &header, nullptr);
    if (!stream) return 0;
    int ok = WriteData(stream, &header);
    return FinishTagWrite(entry, &header, ok != 0) ? 1 : 0;
}

void ResourceAddRef(TagResource* resource)
{
    if (resource) ++resource->referenceCount;
}

void ResourceRelease(TagResource* resource)
{
    if (!resource || resource->referenceCount == 0) return;
    if (--resource->referenceCount) return;
    if (resource->owner) resource->owner->UnregisterResource(resource);
    delete resource;
}

ResourceManager::~ResourceManager()
{
    // Resources still held when the manager goes (at exit, after the tag database closed) are
    // only forgotten: deleting them would detach them from tags that no longer exist.
    for (auto& pair : resources) pair.second->owner = nullptr;
    resources.clear();
}

TagResource* ResourceManager::FindResource(const TagEntry* entry) const
{
    auto it = resources.find(entry);
    return it == resources.end() ? nullptr : it->second;
}

void ResourceManager::RegisterResource(TagResource* resource)
{
    resources[resource->entry] = resource;
    resource->owner = this;
}

void ResourceManager::UnregisterResource(TagResource* resource)
{
    auto it = resources.find(resource->entry);
    if (it != resources.end() && it->second == resource) resources.erase(it);
    if (resource->owner == this) resource->owner = nullptr;
}

TagResource* TagResourceManagerBase::Acquire(TagEntry* entry)
{
    if (!entry) return nullptr;
    TagResource* r = FindResource(entry);
    if (!r) {
        r = Make(entry);
        if (!r->Load()) {
            delete r;
            return nullptr;
        }
        RegisterResource(r);
    }
    ResourceAddRef(r);
    return r;
}

TagResource* TagResourceManagerBase::AcquireById(u32 group, u32 tag)
{
    if (tag == kNoTagId) return nullptr;
    return Acquire(FindTag(group, tag));
}

TagResource* TagResourceManagerBase::CreateNew(u32 group, const char* name, u32 tag)
{
    TagHeader header;
    memset(&header, 0, sizeof header);
    TagEntry* entry = CreateTag(group, tag, name, &header, false);
    if (!entry) return nullptr;
    TagResource* r = Make(entry);
    r->header = header;
    r->InitDefault();
    RegisterResource(r);
    ResourceAddRef(r);
    return r;
}
