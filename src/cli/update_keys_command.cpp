#include <QFile>
#include <QSaveFile>
#include <cstdio>

#include "app/update_signature.h"
#include "cli/command_line.h"
#include "cli/commands.h"

// `tonnix update-keys`: what a packager needs to publish signed updates.
// `generate KEY_FILE` makes a key pair, keeps its private half in KEY_FILE
// (readable by its owner only) and prints the public half for SUPublicEDKey;
// `sign KEY_FILE ARCHIVE` prints the enclosure attributes of ARCHIVE for
// the appcast.

namespace {

int generate(const TonnixCommandLine& line, const QString& keyFile) {
  if (QFile::exists(keyFile)) {
    return line.fail(keyFile + QStringLiteral(" exists already; a new key would make every update "
                                              "signed with it unverifiable."));
  }
  const auto keys = generateUpdateKeyPair();
  if (!keys) return line.fail(keys.error());
  QSaveFile file(keyFile);
  if (!file.open(QIODevice::WriteOnly)) return line.fail(keyFile + ": " + file.errorString());
  file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  file.write(keys->seed.toBase64() + '\n');
  if (!file.commit()) return line.fail(keyFile + ": " + file.errorString());
  std::printf("SUPublicEDKey: %s\n", keys->publicKey.toBase64().constData());
  std::printf("Configure Tonnix with -DTONNIX_UPDATE_PUBLIC_KEY=%s and keep %s secret.\n",
              keys->publicKey.toBase64().constData(), qPrintable(keyFile));
  return 0;
}

int sign(const TonnixCommandLine& line, const QString& keyFile, const QString& archivePath) {
  QFile key(keyFile);
  if (!key.open(QIODevice::ReadOnly)) return line.fail(keyFile + ": " + key.errorString());
  const auto seed = QByteArray::fromBase64Encoding(key.readAll().trimmed(),
                                                   QByteArray::AbortOnBase64DecodingErrors);
  const auto keys = updateKeyPairFromSeed(seed ? seed.decoded : QByteArray());
  if (!keys) return line.fail(keyFile + ": " + keys.error());
  QFile archive(archivePath);
  if (!archive.open(QIODevice::ReadOnly)) {
    return line.fail(archivePath + ": " + archive.errorString());
  }
  const QByteArray bytes = archive.readAll();
  std::printf("sparkle:edSignature=\"%s\" length=\"%lld\"\n",
              signUpdate(*keys, bytes).toBase64().constData(),
              static_cast<long long>(bytes.size()));
  return 0;
}

}  // namespace

int updateKeysCommand(const QStringList& arguments) {
  TonnixCommandLine line("update-keys");
  if (const auto status = line.parse(arguments, 2, 3)) return *status;
  const QStringList words = line.positional();
  if (words[0] == u"generate" && words.size() == 2) return generate(line, words[1]);
  if (words[0] == u"sign" && words.size() == 3) return sign(line, words[1], words[2]);
  return line.fail(QStringLiteral("expected generate KEY_FILE or sign KEY_FILE ARCHIVE"),
                   TonnixCommandLine::usageStatus);
}
