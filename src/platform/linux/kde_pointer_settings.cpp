#include "platform/linux/kde_pointer_settings.h"

#include <QFile>
#include <QFileSystemWatcher>

namespace {

class TonnixKdePointerSettings final : public TonnixPointerSettingsSource {
 public:
  explicit TonnixKdePointerSettings(std::filesystem::path file) : file_(std::move(file)) {
    reread();
    // KDE replaces the file rather than writing into it, so its folder is watched too.
    watcher_.addPath(QString::fromStdString(file_.parent_path().string()));
    QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, [this] { reread(); });
    QObject::connect(&watcher_, &QFileSystemWatcher::fileChanged, [this] { reread(); });
  }

  TonnixPointerSettings settingsFor(const TonnixPointerDevice& device) const override {
    return kdePointerSettings(text_, device);
  }

 private:
  void reread() {
    const QString path = QString::fromStdString(file_.string());
    QFile file(path);
    std::string text;
    if (file.open(QIODevice::ReadOnly)) text = file.readAll().toStdString();
    if (!watcher_.files().contains(path) && file.exists()) watcher_.addPath(path);
    if (text == text_) return;
    text_ = std::move(text);
    changed();
  }

  std::filesystem::path file_;
  std::string text_;
  QFileSystemWatcher watcher_;
};

}  // namespace

std::unique_ptr<TonnixPointerSettingsSource> makeKdePointerSettings(
    std::filesystem::path kcminputrc) {
  return std::make_unique<TonnixKdePointerSettings>(std::move(kcminputrc));
}
