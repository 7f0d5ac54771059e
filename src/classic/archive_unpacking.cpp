#include "classic/archive_unpacking.h"

#include <sys/resource.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <chrono>
#include <optional>

namespace fs = std::filesystem;

namespace {

using Kind = TonnixArchiveError::Kind;

constexpr int listingSeconds = 30;
constexpr int unpackingSeconds = 120;
// A listing entry takes a few hundred bytes of JSON; far more output than
// the entry limit allows is not read to its end.
constexpr qint64 jsonBytesPerEntry = 4096;
// unar, told to be quiet, prints a line only for what fails.
constexpr qint64 unarOutputBytes = qint64{4} << 20;

struct ToolRun {
  enum class Outcome { finished, failedToStart, timedOut, tooMuchOutput };
  Outcome outcome = Outcome::finished;
  bool succeeded = false;  // exited by itself with status 0
  QByteArray output;
};

// Runs `program` with its input closed, no file it writes larger than
// `largestFile`, and its output read as it comes, up to `largestOutput`:
// its standard output, with its errors when `channels` merges them.
ToolRun runTool(const QString& program, const QStringList& arguments,
                QProcess::ProcessChannelMode channels, int seconds, qint64 largestOutput,
                std::uint64_t largestFile) {
  QProcess process;
  process.setProcessChannelMode(channels);
  if (channels != QProcess::MergedChannels) process.setStandardErrorFile(QProcess::nullDevice());
  process.setChildProcessModifier([largestFile] {
    const rlimit limit{largestFile, largestFile};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  });
  process.start(program, arguments, QIODevice::ReadOnly);
  if (!process.waitForStarted()) return {ToolRun::Outcome::failedToStart, false, {}};
  const QDeadlineTimer deadline{std::chrono::seconds(seconds)};
  while (!process.waitForFinished(100) && process.state() != QProcess::NotRunning) {
    const bool tooMuch = process.bytesAvailable() > largestOutput;
    if (!tooMuch && !deadline.hasExpired()) continue;
    process.kill();
    process.waitForFinished();
    return {tooMuch ? ToolRun::Outcome::tooMuchOutput : ToolRun::Outcome::timedOut, false, {}};
  }
  const bool succeeded = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
  return {ToolRun::Outcome::finished, succeeded, process.readAllStandardOutput()};
}

QString text(const fs::path& path) {
  return QString::fromStdString(path.string());
}

TonnixArchiveError failure(Kind kind, const fs::path& archive, std::uint64_t limit = 0,
                           std::string reason = {}) {
  return TonnixArchiveError{kind, archive, {}, limit, std::move(reason)};
}

// What a run that did not finish well means for the archive.
std::optional<TonnixArchiveError> runFailure(const ToolRun& run, const fs::path& archive,
                                             int seconds, const TonnixArchiveLimits& limits) {
  switch (run.outcome) {
    case ToolRun::Outcome::failedToStart:
      return failure(Kind::unarMissing, archive);
    case ToolRun::Outcome::timedOut:
      return failure(Kind::timedOut, archive, static_cast<std::uint64_t>(seconds));
    case ToolRun::Outcome::tooMuchOutput:
      return failure(Kind::tooManyEntries, archive, limits.entryCount);
    case ToolRun::Outcome::finished:
      break;
  }
  return std::nullopt;
}

// unar's own words for why it stopped, from its first line of complaint:
// "Archive parsing failed! (Wrong checksum.)" gives "Wrong checksum.".
std::string unarReason(const QByteArray& output) {
  const QString line = QString::fromLocal8Bit(output).trimmed().section(u'\n', 0, 0).trimmed();
  const auto open = line.lastIndexOf(u'(');
  const auto close = line.lastIndexOf(u')');
  if (open >= 0 && close > open) return line.mid(open + 1, close - open - 1).toStdString();
  return line.isEmpty() ? std::string("unar stopped") : line.toStdString();
}

TonnixExpected<TonnixArchiveListing, TonnixArchiveError> listArchive(
    const fs::path& archive, const TonnixArchiveLimits& limits) {
  const qint64 largestOutput = static_cast<qint64>(limits.entryCount + 1) * jsonBytesPerEntry;
  const ToolRun run =
      runTool(QStringLiteral("lsar"), {QStringLiteral("-json"), text(archive)},
              QProcess::SeparateChannels, listingSeconds, largestOutput, limits.totalBytes);
  if (auto failed = runFailure(run, archive, listingSeconds, limits)) return unexpected(*failed);
  auto listing = parseArchiveListing(run.output.toStdString());
  if (!listing) return unexpected(failure(Kind::notAnArchive, archive));
  // Either lsar's exit status or its error number tells of a listing that
  // stopped early.
  if (!run.succeeded && listing->error == 0 && !listing->formatName.empty()) listing->error = -1;
  return std::move(*listing);
}

}  // namespace

TonnixExpected<TonnixDone, TonnixArchiveError> unpackArchive(const fs::path& archive,
                                                             const fs::path& folder,
                                                             const TonnixArchiveLimits& limits) {
  TONNIX_TRY(listing, listArchive(archive, limits));
  TONNIX_TRY(checked, checkArchiveListing(listing, archive, limits));
  // Into the folder itself, keeping forks as "._" files, never asking. Both
  // programs look through a wrapper (BinHex, MacBinary) into the archive it
  // holds, so the listing checked is what unar writes.
  const ToolRun run =
      runTool(QStringLiteral("unar"),
              {QStringLiteral("-quiet"), QStringLiteral("-no-directory"),
               QStringLiteral("-force-skip"), QStringLiteral("-forks"), QStringLiteral("hidden"),
               QStringLiteral("-output-directory"), text(folder), text(archive)},
              QProcess::MergedChannels, unpackingSeconds, unarOutputBytes, limits.totalBytes);
  if (auto failed = runFailure(run, archive, unpackingSeconds, limits)) {
    return unexpected(*failed);
  }
  if (!run.succeeded) {
    return unexpected(failure(Kind::couldNotUnpack, archive, 0, unarReason(run.output)));
  }
  return TonnixDone{};
}
