#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

#include "platform/accessibility_status.h"
#include "support/expected.h"

// The accessibility seam: how Tonnix reads other applications' user
// interfaces and hears about changes in them. The vocabulary is the classic
// accessibility one (elements with named attributes, notifications registered
// per element, the error codes below); the Linux implementation translates
// AT-SPI onto it: its events onto the notification names, its roles and
// states onto the role and subrole names, a D-Bus time-out onto
// cannotComplete. Nothing here includes a platform header.

// Error codes, numbered as the classic accessibility interface numbers them,
// because they appear in user-visible texts ("... with error -25204").
enum class TonnixAXError : std::int32_t {
  failure = -25200,
  illegalArgument = -25201,
  invalidUIElement = -25202,
  // The application did not answer within the messaging time-out.
  cannotComplete = -25204,
  attributeUnsupported = -25205,
  notificationUnsupported = -25207,
  notificationAlreadyRegistered = -25209,
  notificationNotRegistered = -25210,
  apiDisabled = -25211,
  noValue = -25212,
};

constexpr std::int32_t errorCode(TonnixAXError error) {
  return static_cast<std::int32_t>(error);
}

// What a platform keeps to identify one element. Each implementation
// subclasses it (AT-SPI: the application's bus name and the object path).
class TonnixAXElementHandle {
 public:
  virtual ~TonnixAXElementHandle() = default;
  // Whether both denote the same element of the same application. Handles
  // of another implementation are never the same.
  virtual bool isSameElement(const TonnixAXElementHandle& other) const = 0;
  // Equal for handles of the same element, so that most unequal elements
  // are told apart without asking the implementation.
  std::size_t identityHash() const { return identityHash_; }

 protected:
  explicit TonnixAXElementHandle(std::size_t identityHash) : identityHash_(identityHash) {}

 private:
  std::size_t identityHash_;
};

// A reference to an element of some application, cheap to copy. The element
// may have gone away since; requests about it then fail. Two references are
// equal when they denote the same element, even when the platform handed
// them out separately (as every notification does).
class TonnixAXElement {
 public:
  explicit TonnixAXElement(std::shared_ptr<const TonnixAXElementHandle> handle)
      : handle_(std::move(handle)), identityHash_(handle_->identityHash()) {}

  // The implementation's own handle, or null when it is of another kind.
  template <typename Handle>
  const Handle* handleAs() const {
    return dynamic_cast<const Handle*>(handle_.get());
  }

  std::size_t identityHash() const { return identityHash_; }

  friend bool operator==(const TonnixAXElement& a, const TonnixAXElement& b) {
    if (a.identityHash_ != b.identityHash_) return false;
    return a.handle_ == b.handle_ || a.handle_->isSameElement(*b.handle_);
  }

 private:
  std::shared_ptr<const TonnixAXElementHandle> handle_;
  // A copy, so that comparing elements rarely follows the pointer.
  std::size_t identityHash_;
};

template <>
struct std::hash<TonnixAXElement> {
  std::size_t operator()(const TonnixAXElement& element) const noexcept {
    return element.identityHash();
  }
};

struct TonnixAXPoint {
  double x = 0;
  double y = 0;
  friend bool operator==(const TonnixAXPoint&, const TonnixAXPoint&) = default;
};

struct TonnixAXSize {
  double width = 0;
  double height = 0;
  friend bool operator==(const TonnixAXSize&, const TonnixAXSize&) = default;
};

// An attribute that exists but could not be read, reported in place of its
// value by a multiple-attribute read.
struct TonnixAXErrorValue {
  TonnixAXError error = TonnixAXError::failure;
  friend bool operator==(const TonnixAXErrorValue&, const TonnixAXErrorValue&) = default;
};

// The value of one attribute. Callers ask for the type they expect with
// as<T>() and treat anything else as absent, so a wrong type never breaks
// them: null, QString, QUrl, TonnixAXElement, TonnixAXPoint, TonnixAXSize,
// TonnixAXErrorValue or TonnixAXValue::Array (e.g. the windows list).
class TonnixAXValue {
 public:
  using Array = std::vector<TonnixAXValue>;

  TonnixAXValue() = default;  // null
  TonnixAXValue(QString text) : value_(std::move(text)) {}
  TonnixAXValue(const char* text) : value_(QString::fromUtf8(text)) {}
  TonnixAXValue(QUrl url) : value_(std::move(url)) {}
  TonnixAXValue(TonnixAXElement element) : value_(std::move(element)) {}
  TonnixAXValue(TonnixAXPoint point) : value_(point) {}
  TonnixAXValue(TonnixAXSize size) : value_(size) {}
  TonnixAXValue(TonnixAXErrorValue error) : value_(error) {}
  TonnixAXValue(Array array) : value_(std::move(array)) {}

  bool isNull() const { return std::holds_alternative<std::monostate>(value_); }

  // The value when it is of type T, else null.
  template <typename T>
  const T* as() const {
    return std::get_if<T>(&value_);
  }

 private:
  std::variant<std::monostate, QString, QUrl, TonnixAXElement, TonnixAXPoint, TonnixAXSize,
               TonnixAXErrorValue, Array>
      value_;
};

template <typename T>
using TonnixAXResult = TonnixExpected<T, TonnixAXError>;

// Listens to the notifications of one application. Destroying it removes
// all its registrations; no callback arrives after that.
class TonnixAXObserver {
 public:
  // Receives the element a notification concerns (a new reference, compare
  // with ==) and the notification's name.
  using Callback = std::function<void(const TonnixAXElement& element, const QString& notification)>;

  virtual ~TonnixAXObserver() = default;

  // Starts delivering `notification` about `element`. Registered on an
  // application's element, it covers every element of that application.
  virtual TonnixAXResult<TonnixDone> addNotification(const TonnixAXElement& element,
                                                     const QString& notification) = 0;
  virtual TonnixAXResult<TonnixDone> removeNotification(const TonnixAXElement& element,
                                                        const QString& notification) = 0;
};

// The accessibility interface of the desktop. Used on the main thread only.
// Every request is synchronous and bounded by the messaging time-out of the
// element it goes to; an application that does not answer in time yields
// TonnixAXError::cannotComplete.
class TonnixAccessibility {
 public:
  virtual ~TonnixAccessibility() = default;

  // Whether the desktop lets Tonnix read other applications at all, and
  // asking it to.
  virtual TonnixAccessibilityStatus& status() = 0;

  // The element of a running application's process. Never fails; requests
  // about it fail when the process has no accessible interface.
  virtual TonnixAXElement applicationElement(std::int32_t processIdentifier) = 0;
  // The element standing for the whole desktop, for hit testing.
  virtual TonnixAXElement systemWideElement() = 0;

  // How long requests to `element` may wait for its application, in seconds;
  // set on the system-wide element it is the default for every element.
  // Zero restores the platform's default.
  virtual TonnixAXResult<TonnixDone> setMessagingTimeout(const TonnixAXElement& element,
                                                         double seconds) = 0;

  virtual TonnixAXResult<std::int32_t> processIdentifier(const TonnixAXElement& element) = 0;

  // One attribute; a missing one fails (attributeUnsupported or noValue).
  virtual TonnixAXResult<TonnixAXValue> attributeValue(const TonnixAXElement& element,
                                                       const QString& attribute) = 0;
  // Several attributes in one request: one value per name, in order, a
  // missing attribute as null and an unreadable one as a TonnixAXErrorValue.
  virtual TonnixAXResult<std::vector<TonnixAXValue>> attributeValues(
      const TonnixAXElement& element, const QStringList& attributes) = 0;

  // The deepest element at a point in global screen coordinates (origin at
  // the top left of the primary screen), asked of the system-wide element or
  // an application's element.
  virtual TonnixAXResult<TonnixAXElement> elementAtPosition(const TonnixAXElement& root, float x,
                                                            float y) = 0;

  // An observer for the process. Its callback runs on the main thread from
  // the event loop, never from inside a call on this interface, and never
  // after the observer is destroyed.
  virtual TonnixAXResult<std::unique_ptr<TonnixAXObserver>> createObserver(
      std::int32_t processIdentifier, TonnixAXObserver::Callback callback) = 0;

  // Bounds every request to any application by `seconds`, below the
  // elements' own time-outs, until called with nothing.
  virtual void setRequestBound(std::optional<double> seconds) { (void)seconds; }
  // Calls `changed` after anything that may move or replace what lies at a
  // point (windows, elements' children, bounds or states), possibly while
  // another request waits for its answer; false where such changes are not
  // followed. An empty function stops following.
  virtual bool followLayoutChanges(std::function<void()> changed) {
    (void)changed;
    return false;
  }
};

// Attribute names.
namespace TonnixAXAttribute {
inline const QString role = QStringLiteral("AXRole");
inline const QString subrole = QStringLiteral("AXSubrole");
inline const QString roleDescription = QStringLiteral("AXRoleDescription");
inline const QString identifier = QStringLiteral("AXIdentifier");
inline const QString title = QStringLiteral("AXTitle");
inline const QString description = QStringLiteral("AXDescription");
inline const QString filename = QStringLiteral("AXFilename");
inline const QString url = QStringLiteral("AXURL");
inline const QString document = QStringLiteral("AXDocument");
inline const QString window = QStringLiteral("AXWindow");
inline const QString windows = QStringLiteral("AXWindows");
inline const QString parent = QStringLiteral("AXParent");
inline const QString position = QStringLiteral("AXPosition");
inline const QString size = QStringLiteral("AXSize");
inline const QString defaultButton = QStringLiteral("AXDefaultButton");
inline const QString cancelButton = QStringLiteral("AXCancelButton");
}  // namespace TonnixAXAttribute

// Role names.
namespace TonnixAXRole {
inline const QString button = QStringLiteral("AXButton");
inline const QString checkBox = QStringLiteral("AXCheckBox");
inline const QString radioButton = QStringLiteral("AXRadioButton");
inline const QString tabGroup = QStringLiteral("AXTabGroup");
inline const QString popUpButton = QStringLiteral("AXPopUpButton");
inline const QString menuButton = QStringLiteral("AXMenuButton");
inline const QString comboBox = QStringLiteral("AXComboBox");
inline const QString disclosureTriangle = QStringLiteral("AXDisclosureTriangle");
inline const QString incrementor = QStringLiteral("AXIncrementor");
inline const QString scrollBar = QStringLiteral("AXScrollBar");
inline const QString slider = QStringLiteral("AXSlider");
inline const QString valueIndicator = QStringLiteral("AXValueIndicator");
inline const QString menu = QStringLiteral("AXMenu");
inline const QString menuItem = QStringLiteral("AXMenuItem");
inline const QString menuBar = QStringLiteral("AXMenuBar");
inline const QString menuBarItem = QStringLiteral("AXMenuBarItem");
}  // namespace TonnixAXRole

// Subrole names.
namespace TonnixAXSubrole {
inline const QString dialog = QStringLiteral("AXDialog");
inline const QString systemDialog = QStringLiteral("AXSystemDialog");
inline const QString floatingWindow = QStringLiteral("AXFloatingWindow");
inline const QString systemFloatingWindow = QStringLiteral("AXSystemFloatingWindow");
inline const QString closeButton = QStringLiteral("AXCloseButton");
inline const QString zoomButton = QStringLiteral("AXZoomButton");
inline const QString fullScreenButton = QStringLiteral("AXFullScreenButton");
inline const QString minimizeButton = QStringLiteral("AXMinimizeButton");
inline const QString incrementArrow = QStringLiteral("AXIncrementArrow");
inline const QString decrementArrow = QStringLiteral("AXDecrementArrow");
inline const QString toggle = QStringLiteral("AXToggle");
inline const QString switchSubrole = QStringLiteral("AXSwitch");
}  // namespace TonnixAXSubrole

// Notification names.
namespace TonnixAXNotification {
inline const QString focusedWindowChanged = QStringLiteral("AXFocusedWindowChanged");
inline const QString mainWindowChanged = QStringLiteral("AXMainWindowChanged");
inline const QString focusedUIElementChanged = QStringLiteral("AXFocusedUIElementChanged");
inline const QString applicationActivated = QStringLiteral("AXApplicationActivated");
inline const QString applicationHidden = QStringLiteral("AXApplicationHidden");
inline const QString applicationShown = QStringLiteral("AXApplicationShown");
inline const QString windowCreated = QStringLiteral("AXWindowCreated");
inline const QString windowMiniaturized = QStringLiteral("AXWindowMiniaturized");
inline const QString windowDeminiaturized = QStringLiteral("AXWindowDeminiaturized");
inline const QString windowMoved = QStringLiteral("AXWindowMoved");
inline const QString windowResized = QStringLiteral("AXWindowResized");
inline const QString drawerCreated = QStringLiteral("AXDrawerCreated");
inline const QString sheetCreated = QStringLiteral("AXSheetCreated");
inline const QString helpTagCreated = QStringLiteral("AXHelpTagCreated");
inline const QString uiElementDestroyed = QStringLiteral("AXUIElementDestroyed");
inline const QString valueChanged = QStringLiteral("AXValueChanged");
inline const QString menuOpened = QStringLiteral("AXMenuOpened");
inline const QString menuClosed = QStringLiteral("AXMenuClosed");
inline const QString menuItemSelected = QStringLiteral("AXMenuItemSelected");
inline const QString rowExpanded = QStringLiteral("AXRowExpanded");
inline const QString rowCollapsed = QStringLiteral("AXRowCollapsed");
inline const QString selectedCellsChanged = QStringLiteral("AXSelectedCellsChanged");
inline const QString selectedRowsChanged = QStringLiteral("AXSelectedRowsChanged");
inline const QString selectedColumnsChanged = QStringLiteral("AXSelectedColumnsChanged");
inline const QString selectedChildrenChanged = QStringLiteral("AXSelectedChildrenChanged");
inline const QString selectedTextChanged = QStringLiteral("AXSelectedTextChanged");
inline const QString created = QStringLiteral("AXCreated");
inline const QString resized = QStringLiteral("AXResized");
inline const QString moved = QStringLiteral("AXMoved");

// Every name above: the notifications an observer may register.
inline const QStringList all{focusedWindowChanged,
                             mainWindowChanged,
                             focusedUIElementChanged,
                             applicationActivated,
                             applicationHidden,
                             applicationShown,
                             windowCreated,
                             windowMiniaturized,
                             windowDeminiaturized,
                             windowMoved,
                             windowResized,
                             drawerCreated,
                             sheetCreated,
                             helpTagCreated,
                             uiElementDestroyed,
                             valueChanged,
                             menuOpened,
                             menuClosed,
                             menuItemSelected,
                             rowExpanded,
                             rowCollapsed,
                             selectedCellsChanged,
                             selectedRowsChanged,
                             selectedColumnsChanged,
                             selectedChildrenChanged,
                             selectedTextChanged,
                             created,
                             resized,
                             moved};
}  // namespace TonnixAXNotification
