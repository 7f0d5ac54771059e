#include "app/update_signature.h"

#include <sodium.h>

namespace {

bool sodiumReady() {
  // Safe to call again; negative only when it cannot start at all.
  static const bool ready = sodium_init() >= 0;
  return ready;
}

const unsigned char* bytes(const QByteArray& data) {
  return reinterpret_cast<const unsigned char*>(data.constData());
}

}  // namespace

std::optional<QByteArray> decodeUpdatePublicKey(const QString& base64) {
  const auto decoded = QByteArray::fromBase64Encoding(base64.trimmed().toLatin1(),
                                                      QByteArray::AbortOnBase64DecodingErrors);
  if (!decoded || decoded.decoded.size() != crypto_sign_PUBLICKEYBYTES) return std::nullopt;
  return decoded.decoded;
}

TonnixExpected<TonnixUpdateKeyPair, QString> generateUpdateKeyPair() {
  if (!sodiumReady()) return unexpected(QStringLiteral("The signing library could not start."));
  QByteArray seed(crypto_sign_SEEDBYTES, Qt::Uninitialized);
  randombytes_buf(seed.data(), static_cast<size_t>(seed.size()));
  return updateKeyPairFromSeed(seed);
}

TonnixExpected<TonnixUpdateKeyPair, QString> updateKeyPairFromSeed(const QByteArray& seed) {
  if (!sodiumReady()) return unexpected(QStringLiteral("The signing library could not start."));
  if (seed.size() != crypto_sign_SEEDBYTES) {
    return unexpected(QStringLiteral("The private key is not an update signing key."));
  }
  QByteArray publicKey(crypto_sign_PUBLICKEYBYTES, Qt::Uninitialized);
  QByteArray secretKey(crypto_sign_SECRETKEYBYTES, Qt::Uninitialized);
  crypto_sign_seed_keypair(reinterpret_cast<unsigned char*>(publicKey.data()),
                           reinterpret_cast<unsigned char*>(secretKey.data()), bytes(seed));
  sodium_memzero(secretKey.data(), static_cast<size_t>(secretKey.size()));
  return TonnixUpdateKeyPair{publicKey, seed};
}

QByteArray signUpdate(const TonnixUpdateKeyPair& keys, const QByteArray& archive) {
  QByteArray publicKey(crypto_sign_PUBLICKEYBYTES, Qt::Uninitialized);
  QByteArray secretKey(crypto_sign_SECRETKEYBYTES, Qt::Uninitialized);
  crypto_sign_seed_keypair(reinterpret_cast<unsigned char*>(publicKey.data()),
                           reinterpret_cast<unsigned char*>(secretKey.data()), bytes(keys.seed));
  QByteArray signature(crypto_sign_BYTES, Qt::Uninitialized);
  crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr, bytes(archive),
                       static_cast<unsigned long long>(archive.size()), bytes(secretKey));
  sodium_memzero(secretKey.data(), static_cast<size_t>(secretKey.size()));
  return signature;
}

bool isUpdateSignatureValid(const QByteArray& publicKey, const QByteArray& archive,
                            const QByteArray& signature) {
  if (!sodiumReady()) return false;
  if (publicKey.size() != crypto_sign_PUBLICKEYBYTES || signature.size() != crypto_sign_BYTES) {
    return false;
  }
  return crypto_sign_verify_detached(bytes(signature), bytes(archive),
                                     static_cast<unsigned long long>(archive.size()),
                                     bytes(publicKey)) == 0;
}
