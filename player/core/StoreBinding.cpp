#include "StoreBinding.h"

#include "ProgramLibrary.h"
#include "TextOps.h"
#include "store/OrvoXmlCtrl.h"

#include <QLibrary>

namespace {

// The exports' signatures come from the store's own header (declarations only, nothing is
// linked), so a change on either side fails to compile instead of calling through a wrong type.
using GetPlayerConfigValueFn = decltype(&::GetPlayerConfigValue);
using SetPlayerConfigValueFn = decltype(&::SetPlayerConfigValue);
using PlayListFn = decltype(&::PlayList);
using SkinListFn = decltype(&::SkinList);
using GetSkinInfoFn = decltype(&::GetSkinInfo);

QString s_libraryPath;

// Loads the library for one call and unloads it when the call is done.
class ScopedStore {
public:
    ScopedStore() {
        m_loaded =
            ProgramLibrary::load(m_library, s_libraryPath, QStringLiteral("libOrvo_XMLCtrl.so"),
                                 QStringLiteral("Orvo_XMLCtrl"));
    }
    ~ScopedStore() {
        if (m_loaded) m_library.unload();
    }
    ScopedStore(const ScopedStore&) = delete;
    ScopedStore& operator=(const ScopedStore&) = delete;

    template <typename Fn>
    Fn resolve(const char* name) {
        return m_loaded ? reinterpret_cast<Fn>(m_library.resolve(name)) : nullptr;
    }

private:
    QLibrary m_library;
    bool m_loaded = false;
};

}  // namespace

QString StoreBinding::ReadConfigValue(const QString& key, const QString& fallback) {
    QString value;
    {
        ScopedStore store;
        if (auto fn = store.resolve<GetPlayerConfigValueFn>("GetPlayerConfigValue")) {
            value = fn(key);
        }
    }
    return value.isEmpty() ? fallback : value;
}

int StoreBinding::ReadConfigNumber(const QString& key, const QString& fallback) {
    return TextOps::decimalValue(ReadConfigValue(key, fallback));
}

void StoreBinding::WriteConfigValue(const QString& key, const QString& value) {
    ScopedStore store;
    if (auto fn = store.resolve<SetPlayerConfigValueFn>("SetPlayerConfigValue")) fn(key, value);
}

void StoreBinding::WriteConfigValue(const QString& key, int value) {
    WriteConfigValue(key, QString::number(value));
}

tagUiBgSkinInfo StoreBinding::ReadSkinInfo(const QString& id) {
    ScopedStore store;
    if (auto fn = store.resolve<GetSkinInfoFn>("GetSkinInfo")) return fn(id);
    return {};
}

void StoreBinding::CallSkinList(int mode, QList<tagUiBgSkinInfo>* list) {
    if (!list) return;
    ScopedStore store;
    if (auto fn = store.resolve<SkinListFn>("SkinList")) fn(mode, list);
}

void StoreBinding::SavePlayList(QList<tagFileListInfo>* list) {
    if (!list) return;
    ScopedStore store;
    if (auto fn = store.resolve<PlayListFn>("PlayList")) fn(0, list);
}

void StoreBinding::LoadPlayList(QList<tagFileListInfo>* list) {
    if (!list) return;
    ScopedStore store;
    if (auto fn = store.resolve<PlayListFn>("PlayList")) fn(1, list);
}

void StoreBinding::setLibraryPath(const QString& path) { s_libraryPath = path; }

QString StoreBinding::libraryPath() { return s_libraryPath; }
