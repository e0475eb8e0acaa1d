#pragma once
// Who may take part in the single-instance channel: the folder that holds the lock and the socket
// must be the user's own and closed to everybody else, and the process at the other end of the
// socket must run as the same user. Used by both ends of the channel.

#include <QString>
#include <QtGlobal>

class SingleInstanceAccess {
public:
    // The connected local socket's peer runs as our effective user (always true off Linux,
    // where the owner-only socket file is all there is).
    static bool isPeerSameUser(qintptr socketDescriptor);

    // `path` itself (not a link) is a folder owned by our effective user, with no group or other
    // permission bits.
    static bool isPrivateFolder(const QString& path);

    // `parent`/`name`, created owner-only when missing. An existing one that is not private
    // (someone else's, or opened up) is left alone and an empty string returned: lock and socket
    // there could be planted by another user.
    static QString privateFolder(const QString& parent, const QString& name);

    // The same under a parent of our own that nobody else may write to (the user's cache or
    // data folder, created when missing): unlike a shared temp folder, no other user can
    // take `name` there first. Empty when the parent is not like that.
    static QString privateFolderInOwnFolder(const QString& parent, const QString& name);
};
