#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "support/expected.h"

// Ed25519 signatures of update archives, as appcasts carry them: a 32-byte
// public key and 64-byte signatures, both written in Base64. The secret key
// is kept as its 32-byte seed, from which libsodium derives the rest.
struct TonnixUpdateKeyPair {
  QByteArray publicKey;
  QByteArray seed;
};

// The public key `base64` decodes to; nothing unless it is Base64 of 32 bytes.
std::optional<QByteArray> decodeUpdatePublicKey(const QString& base64);

// Fails only when libsodium cannot start (no source of randomness).
TonnixExpected<TonnixUpdateKeyPair, QString> generateUpdateKeyPair();
TonnixExpected<TonnixUpdateKeyPair, QString> updateKeyPairFromSeed(const QByteArray& seed);
QByteArray signUpdate(const TonnixUpdateKeyPair& keys, const QByteArray& archive);
bool isUpdateSignatureValid(const QByteArray& publicKey, const QByteArray& archive,
                            const QByteArray& signature);
