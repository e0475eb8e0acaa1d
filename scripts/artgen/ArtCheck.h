#pragma once
// Verifies the delivered art as the player will read it: every control picture and its @2x
// sibling at the exact size, the icons with all their sizes, the spinner's frames and
// transparency, each skin's background, mask corners and thumbnail, and skinlist.xml's shape.

#include <QString>
#include <QStringList>

class ArtCheck {
public:
    // Returns the problems found (empty when all is well).
    static QStringList run(const QString& repoRoot);
};
