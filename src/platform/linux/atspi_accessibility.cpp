#include "platform/linux/atspi_accessibility.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/linux/atspi_accessibility_status.h"
#include "platform/linux/atspi_connection.h"
#include "platform/linux/atspi_element_texts.h"
#include "platform/linux/atspi_elements.h"
#include "platform/linux/atspi_hit_test.h"
#include "platform/linux/atspi_layout_changes.h"
#include "platform/linux/atspi_observers.h"

namespace {

using Kind = TonnixAtspiHandle::Kind;

// The attribute's text among those read at once; null for other attributes.
const std::optional<QString>* textOf(const TonnixAtspiElementTexts& texts,
                                     const QString& attribute) {
  namespace Attribute = TonnixAXAttribute;
  if (attribute == Attribute::title) return &texts.name;
  if (attribute == Attribute::description) return &texts.description;
  if (attribute == Attribute::identifier) return &texts.identifier;
  if (attribute == Attribute::roleDescription) return &texts.roleDescription;
  return nullptr;
}

// Reading several texts at once costs one round trip instead of several.
bool asksSeveralTexts(const QStringList& attributes) {
  const TonnixAtspiElementTexts none;
  return std::count_if(attributes.begin(), attributes.end(), [&](const QString& attribute) {
           return textOf(none, attribute) != nullptr;
         }) > 1;
}

}  // namespace

// The connection, made on first use, and the parts that work over it.
class TonnixAtspiAccessibility::Private {
 public:
  // Null while there is no accessibility bus.
  TonnixAtspiConnection* connect() {
    if (connection_) return connection_.get();
    connection_ = TonnixAtspiConnection::shared();
    if (!connection_) return nullptr;
    if (defaultTimeout_) connection_->setTimeout(std::nullopt, *defaultTimeout_);
    for (auto timeout = timeouts_.cbegin(); timeout != timeouts_.cend(); ++timeout) {
      connection_->setTimeout(timeout.key(), timeout.value());
    }
    elements.emplace(*connection_);
    hitTest.emplace(*elements);
    observers.emplace(connection_, *elements);
    return connection_.get();
  }

  const std::shared_ptr<TonnixAtspiConnection>& connection() const { return connection_; }

  void setTimeout(std::optional<std::int32_t> pid, double seconds) {
    if (pid) {
      timeouts_.insert(*pid, seconds);
    } else {
      defaultTimeout_ = seconds;
    }
    if (connection_) connection_->setTimeout(pid, seconds);
  }

  TonnixExpected<TonnixAtspiTarget, TonnixAXError> target(const TonnixAXElement& element) {
    const auto* handle = element.handleAs<TonnixAtspiHandle>();
    if (!handle) return unexpected(TonnixAXError::illegalArgument);
    if (!connect()) return unexpected(TonnixAXError::apiDisabled);
    if (handle->kind == Kind::systemWide) return unexpected(TonnixAXError::attributeUnsupported);
    if (handle->object) {
      return TonnixAtspiTarget{handle->object, handle->processIdentifier, handle->coordinates,
                               handle->origin, handle->window};
    }
    const auto application = connection_->application(handle->processIdentifier);
    if (!application) return unexpected(TonnixAXError::invalidUIElement);
    return TonnixAtspiTarget{application->root, handle->processIdentifier};
  }

  TonnixAtspiAccessibilityStatus status;

 private:
  std::shared_ptr<TonnixAtspiConnection> connection_;
  std::optional<double> defaultTimeout_;
  QHash<std::int32_t, double> timeouts_;

 public:
  // Made with the connection, and gone before it.
  std::optional<TonnixAtspiElements> elements;
  std::optional<TonnixAtspiHitTest> hitTest;
  std::optional<TonnixAtspiObservers> observers;
  std::optional<TonnixAtspiLayoutChanges> layoutChanges;
};

TonnixAtspiAccessibility::TonnixAtspiAccessibility() : d_(std::make_unique<Private>()) {}

TonnixAtspiAccessibility::~TonnixAtspiAccessibility() = default;

TonnixAccessibilityStatus& TonnixAtspiAccessibility::status() {
  return d_->status;
}

TonnixAXElement TonnixAtspiAccessibility::applicationElement(std::int32_t processIdentifier) {
  TonnixAtspiObjectRef root;
  if (auto* connection = d_->connect()) {
    if (auto application = connection->application(processIdentifier)) root = application->root;
  }
  auto key = root.busName() + root.path();
  return TonnixAXElement(std::make_shared<TonnixAtspiHandle>(Kind::application, processIdentifier,
                                                             std::move(root), std::move(key)));
}

TonnixAXElement TonnixAtspiAccessibility::systemWideElement() {
  return TonnixAXElement(
      std::make_shared<TonnixAtspiHandle>(Kind::systemWide, 0, TonnixAtspiObjectRef(), QString()));
}

TonnixAXResult<TonnixDone> TonnixAtspiAccessibility::setMessagingTimeout(
    const TonnixAXElement& element, double seconds) {
  const auto* handle = element.handleAs<TonnixAtspiHandle>();
  if (!handle || !std::isfinite(seconds) || seconds < 0) {
    return unexpected(TonnixAXError::illegalArgument);
  }
  if (handle->kind == Kind::systemWide) {
    d_->setTimeout(std::nullopt, seconds);
    return TonnixDone{};
  }
  auto pid = handle->processIdentifier;
  if (pid == 0 && d_->connect()) {
    pid = d_->connection()->processIdentifier(handle->object).value_or(0);
  }
  if (pid == 0) return unexpected(TonnixAXError::invalidUIElement);
  d_->setTimeout(pid, seconds);
  return TonnixDone{};
}

TonnixAXResult<std::int32_t> TonnixAtspiAccessibility::processIdentifier(
    const TonnixAXElement& element) {
  const auto* handle = element.handleAs<TonnixAtspiHandle>();
  if (!handle || handle->kind == Kind::systemWide) {
    return unexpected(TonnixAXError::illegalArgument);
  }
  if (handle->processIdentifier != 0) return handle->processIdentifier;
  if (!d_->connect()) return unexpected(TonnixAXError::apiDisabled);
  const auto pid = d_->connection()->processIdentifier(handle->object);
  if (!pid) return unexpected(TonnixAXError::invalidUIElement);
  return *pid;
}

TonnixAXResult<TonnixAXValue> TonnixAtspiAccessibility::attributeValue(
    const TonnixAXElement& element, const QString& attribute) {
  TONNIX_TRY(target, d_->target(element));
  return d_->elements->attribute(target, attribute);
}

// AT-SPI has no request for several attributes at once; they are read one
// by one, but an application that does not answer ends the whole request.
TonnixAXResult<std::vector<TonnixAXValue>> TonnixAtspiAccessibility::attributeValues(
    const TonnixAXElement& element, const QStringList& attributes) {
  TONNIX_TRY(target, d_->target(element));
  std::optional<TonnixAtspiElementTexts> texts;
  if (asksSeveralTexts(attributes)) {
    TONNIX_TRY(read, readAtspiElementTexts(*d_->connection(), target));
    texts = std::move(read);
  }
  std::vector<TonnixAXValue> values;
  TonnixAtspiElements::FrameCache frame;
  for (const auto& attribute : attributes) {
    if (const auto* text = texts ? textOf(*texts, attribute) : nullptr) {
      values.push_back(*text ? TonnixAXValue(**text) : TonnixAXValue());
      continue;
    }
    auto value = d_->elements->attribute(target, attribute, frame);
    if (value) {
      values.push_back(std::move(*value));
      continue;
    }
    switch (value.error()) {
      case TonnixAXError::cannotComplete:
      case TonnixAXError::invalidUIElement:
      case TonnixAXError::apiDisabled:
        return unexpected(value.error());
      case TonnixAXError::attributeUnsupported:
      case TonnixAXError::noValue:
        values.emplace_back();
        break;
      default:
        values.emplace_back(TonnixAXErrorValue{value.error()});
    }
  }
  return values;
}

TonnixAXResult<TonnixAXElement> TonnixAtspiAccessibility::elementAtPosition(
    const TonnixAXElement& root, float x, float y) {
  const auto* handle = root.handleAs<TonnixAtspiHandle>();
  if (!handle) return unexpected(TonnixAXError::illegalArgument);
  auto* connection = d_->connect();
  if (!connection) return unexpected(TonnixAXError::apiDisabled);
  const int pointX = static_cast<int>(std::floor(x));
  const int pointY = static_cast<int>(std::floor(y));
  std::vector<TonnixAtspiTarget> applications;
  if (handle->kind == Kind::systemWide) {
    for (const auto& application : connection->applications()) {
      applications.push_back({application.root, application.processIdentifier});
    }
  } else {
    TONNIX_TRY(target, d_->target(root));
    if (handle->kind == Kind::object) {
      return d_->elements->wrap(d_->hitTest->deepest(target, pointX, pointY),
                                target.processIdentifier);
    }
    applications.push_back(target);
  }
  auto found = d_->hitTest->hit(applications, pointX, pointY, handle->kind == Kind::systemWide);
  if (!found) return unexpected(TonnixAXError::noValue);
  return std::move(*found);
}

TonnixAXResult<std::unique_ptr<TonnixAXObserver>> TonnixAtspiAccessibility::createObserver(
    std::int32_t processIdentifier, TonnixAXObserver::Callback callback) {
  if (processIdentifier <= 0 || !callback) return unexpected(TonnixAXError::illegalArgument);
  auto* connection = d_->connect();
  if (!connection) return unexpected(TonnixAXError::apiDisabled);
  // A process off the bus (a window the window manager lists, an
  // application still starting) has nothing to observe yet.
  if (!connection->application(processIdentifier)) {
    return unexpected(TonnixAXError::invalidUIElement);
  }
  return d_->observers->create(processIdentifier, std::move(callback));
}

void TonnixAtspiAccessibility::setRequestBound(std::optional<double> seconds) {
  if (auto* connection = d_->connect()) connection->setTimeoutBound(seconds);
}

bool TonnixAtspiAccessibility::followLayoutChanges(std::function<void()> changed) {
  d_->layoutChanges.reset();
  if (!changed || !d_->connect()) return false;
  d_->layoutChanges.emplace(std::move(changed));
  return true;
}

std::shared_ptr<TonnixAtspiConnection> TonnixAtspiAccessibility::connection() {
  d_->connect();
  return d_->connection();
}

TonnixAtspiAccessibility::DeliveryStatistics TonnixAtspiAccessibility::deliveryStatistics() const {
  if (!d_->observers) return {};
  return d_->observers->statistics();
}
