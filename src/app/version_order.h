#pragma once

#include <QSet>
#include <QString>
#include <optional>

// Version strings ordered as people and packagers write them: runs of
// digits compare as numbers, runs of letters alphabetically, and a letter
// run after a release ("1.2b3", "1.2rc1") marks a pre-release that sorts
// before it. Negative, zero or positive as `a` is older, the same or newer.
int compareVersions(const QString& a, const QString& b);

// A build whose display version, lower-cased, contains "a", "b" or "rc" is
// a pre-release; a missing version is not.
bool isPreRelease(const std::optional<QString>& shortVersion);

// The update channels a build listens to besides the default one: "beta"
// for a pre-release, none otherwise.
QSet<QString> allowedUpdateChannels(const std::optional<QString>& shortVersion);
