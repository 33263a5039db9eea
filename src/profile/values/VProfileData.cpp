#include "profile/values/VProfileData.h"

#include "profile/reports/IReportMessageParams.h"
#include "profile/reports/VReportMessageParams.h"

bool VProfileData::ImportText(const VUnicodeString&, ITextConverter*, IReportMessageParams*)
{
    return false;
}

bool VProfileData::StorageToWriter(IProfileValueWriter&, IReportMessageParams* report) const
{
    return ReportMismatch(report);
}

bool VProfileData::ValueToWriter(IProfileValueWriter&, IReportMessageParams* report) const
{
    return ReportMismatch(report);
}

bool VProfileData::StorageFromReader(IProfileValueReader&, IReportMessageParams* report)
{
    return ReportMismatch(report);
}

bool VProfileData::ValueFromReader(IProfileValueReader&, IReportMessageParams* report)
{
    return ReportMismatch(report);
}

bool VProfileData::StorageToVariant(VVariant&, IReportMessageParams* report) const
{
    return ReportMismatch(report);
}

bool VProfileData::ValueToVariant(VVariant&, IReportMessageParams* report) const
{
    return ReportMismatch(report);
}

bool VProfileData::StorageFromVariant(const VVariant&, IReportMessageParams* report)
{
    return ReportMismatch(report);
}

bool VProfileData::ValueFromVariant(const VVariant&, IReportMessageParams* report)
{
    return ReportMismatch(report);
}

bool VProfileData::ReportMismatch(IReportMessageParams* report) const
{
    return Report(report, kMsgTypeMismatch, m_name);
}

bool VProfileData::ReportConversionFailed(IReportMessageParams* report) const
{
    return Report(report, kMsgVariantConversionFailed, m_name);
}

void VProfileData::Iterate(const std::function<void(VProfileData&)>& visit)
{
    const Cursor cursor = Begin();
    for (size_t i = cursor.index;; ++i) {
        VProfileData* child = cursor.owner->ChildAt(i);
        if (!child)
            break;
        if (child->IsContainer())
            child->Iterate(visit);
        else
            visit(*child);
    }
}

template <class F>
void VProfileContainer::ForEachChild(F f) const
{
    auto* self = const_cast<VProfileContainer*>(this);
    const Cursor cursor = self->Begin();
    for (size_t i = cursor.index;; ++i) {
        VProfileData* child = cursor.owner->ChildAt(i);
        if (!child)
            return;
        f(*child, i);
    }
}

bool VProfileContainer::Save(const VProfileKey* key)
{
    OnBeforeSave(key);
    bool ok = true;
    ForEachChild([&](VProfileData& child, size_t) {
        if (child.GetFlag())
            ok = child.Save(key) && ok;
    });
    OnAfterSave(key);
    return ok;
}

bool VProfileContainer::IsChanged() const
{
    bool changed = false;
    ForEachChild([&](VProfileData& child, size_t) { changed = changed || child.IsChanged(); });
    return changed;
}

bool VProfileContainer::IsDirty() const
{
    bool dirty = m_dirty;
    ForEachChild([&](VProfileData& child, size_t) { dirty = dirty || child.IsDirty(); });
    return dirty;
}

void VProfileContainer::Assign(const VProfileData& other)
{
    auto& source = const_cast<VProfileData&>(other);
    const Cursor from = source.Begin();
    ForEachChild([&](VProfileData& child, size_t i) {
        if (VProfileData* theirs = from.owner->ChildAt(i - Begin().index + from.index))
            child.Assign(*theirs);
    });
}

bool VProfileContainer::Inherit(const VProfileKey* key)
{
    bool any = false;
    ForEachChild([&](VProfileData& child, size_t) { any = child.Inherit(key) || any; });
    return any;
}

void VProfileContainer::Accept()
{
    ForEachChild([](VProfileData& child, size_t) { child.Accept(); });
}

void VProfileContainer::Revert()
{
    ForEachChild([](VProfileData& child, size_t) { child.Revert(); });
}
