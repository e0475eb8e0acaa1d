#pragma once
// The tag reader (libOrvo_MusicTags.so), loaded by name for one adding operation and unloaded
// when it ends, and the titles of new play list entries made with it. Streams are opened through
// the audio library only to hand them to the reader, and freed at once.
// Threads: constructed and destroyed on the UI thread; MakeEntries spreads the files over a few
// threads of its own (the reader and the audio library's stream opening are thread-safe) and
// returns the entries in the order of the paths.

#include "audio/OrvoAudioApi.h"
#include "store/StoreRecords.h"

#include <QLibrary>
#include <QList>
#include <QString>
#include <QStringList>

class TagReaderBinding {
public:
    // Where an entry comes from; it decides how its title is made.
    enum class Source {
        Listed,  // add-files dialog and drops: "title - artist" when tagged, else the file name
        Single,  // AddFileToList and hand-overs: the title alone when tagged, else the file name
    };

    // api may be null: then every title is the file name's.
    explicit TagReaderBinding(const OrvoAudio::Api* api);
    ~TagReaderBinding();
    TagReaderBinding(const TagReaderBinding&) = delete;
    TagReaderBinding& operator=(const TagReaderBinding&) = delete;

    bool isLoaded() const { return m_read != nullptr; }
    // The title and artist of path's tags; false (title empty) when it has no title.
    bool ReadTags(const QString& path, Source source, QString& title, QString& artist) const;
    QString MakeTitle(const QString& path, Source source) const;
    QList<tagFileListInfo> MakeEntries(const QStringList& paths, Source source) const;

    // Tests point this at the build folder's copy; empty: the program folder's, then the search.
    static void setLibraryPath(const QString& path);

private:
    using ReadFn = bool (*)(quint32, QString&, QString&);
    const OrvoAudio::Api* m_api;
    QLibrary m_library;
    ReadFn m_read = nullptr;
};
