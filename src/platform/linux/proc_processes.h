#pragma once

#include <QString>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

// What /proc tells about another process of the user.

// The program the process runs; nothing when it has ended or is not ours.
std::optional<std::filesystem::path> tonnixProcessExecutable(std::int32_t processIdentifier);
// The process's short command name (/proc/PID/comm), empty when unknown.
QString tonnixProcessCommand(std::int32_t processIdentifier);
// The contents of /proc/PID/cgroup, empty when unknown.
QString tonnixProcessControlGroups(std::int32_t processIdentifier);
bool tonnixProcessExists(std::int32_t processIdentifier);

// The application ids the systemd unit of a process may name, most likely
// first: a desktop launches applications into units named
// "app[-LAUNCHER]-ID-RANDOM.scope" or "app[-LAUNCHER]-ID[@RANDOM].service",
// where the launcher part is optional and cannot be told from the id
// without knowing which ids are installed. Empty for any other unit.
std::vector<QString> tonnixScopeApplicationIds(const QString& controlGroups);
