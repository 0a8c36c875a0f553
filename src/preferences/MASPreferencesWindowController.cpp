#include "preferences/MASPreferencesWindowController.h"

#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QRegularExpression>
#include <QScreen>
#include <QToolBar>
#include <QWidget>

namespace {

// Sizes beyond this are refused when read back: a stored rectangle is untrusted.
constexpr int kLargestStoredSize = 100'000;

bool isResizable(std::optional<bool> answered, QSizePolicy::Policy policy)
{
    return answered ? *answered : bool(policy & QSizePolicy::ExpandFlag);
}

} // namespace

QString stringFromPoint(const QPoint& point)
{
    return QStringLiteral("{%1, %2}").arg(point.x()).arg(point.y());
}

QString stringFromRect(const QRect& rect)
{
    return QStringLiteral("{{%1, %2}, {%3, %4}}").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

namespace {

std::optional<QList<int>> numbersIn(const QString& text, const QString& pattern, int count)
{
    const QRegularExpression expression(pattern);
    const auto match = expression.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    QList<int> numbers;
    for (int i = 1; i <= count; ++i) {
        bool ok = false;
        const double value = match.captured(i).toDouble(&ok);
        if (!ok || !(value > -kLargestStoredSize && value < kLargestStoredSize))
            return std::nullopt;
        numbers << int(value);
    }
    return numbers;
}

const QString kNumber = QStringLiteral("\\s*(-?[0-9]+(?:\\.[0-9]+)?)\\s*");

} // namespace

std::optional<QPoint> pointFromString(const QString& text)
{
    const auto n = numbersIn(text, QStringLiteral("^\\{%1,%1\\}$").arg(kNumber), 2);
    return n ? std::optional<QPoint>(QPoint((*n)[0], (*n)[1])) : std::nullopt;
}

std::optional<QRect> rectFromString(const QString& text)
{
    const auto n = numbersIn(text, QStringLiteral("^\\{\\s*\\{%1,%1\\}\\s*,\\s*\\{%1,%1\\}\\s*\\}$").arg(kNumber), 4);
    if (!n || (*n)[2] < 0 || (*n)[3] < 0)
        return std::nullopt;
    return QRect((*n)[0], (*n)[1], (*n)[2], (*n)[3]);
}

QString MASPreferencesWindowController::paneFrameKey(const QString& identifier)
{
    return QStringLiteral("MASPreferences %1 Frame").arg(identifier);
}

MASPreferencesWindowController::MASPreferencesWindowController(
    std::vector<MASPreferencesViewController*> viewControllers, const QString& title, sv::UserDefaults& defaults,
    QWidget* parent)
    : QMainWindow(parent), m_defaults(defaults), m_viewControllers(std::move(viewControllers)), m_title(title)
{
    Q_ASSERT_X(!m_viewControllers.empty(), "MASPreferencesWindowController",
               "Invalid parameter not satisfying: viewControllers.count > 0");
    m_toolbar = addToolBar(QString());
    m_toolbar->setObjectName(QStringLiteral("preferencesToolbar"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->toggleViewAction()->setEnabled(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    m_toolbarGroup = new QActionGroup(this);
    for (MASPreferencesViewController* controller : m_viewControllers)
        addToolbarItem(controller);
    setCentralWidget(new QWidget);
    windowDidLoad();
}

MASPreferencesWindowController::~MASPreferencesWindowController()
{
    // The panes own their views; the window must not delete them.
    if (m_selected && centralWidget() == m_selected->view()) {
        QWidget* view = takeCentralWidget();
        view->setParent(nullptr);
    }
}

void MASPreferencesWindowController::addToolbarItem(MASPreferencesViewController* controller)
{
    if (!controller) {
        auto* spacer = new QWidget;
        spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        m_toolbar->addWidget(spacer);
        return;
    }
    QAction* item = m_toolbar->addAction(controller->toolbarItemImage(), controller->toolbarItemLabel());
    item->setData(controller->identifier());
    item->setObjectName(controller->identifier());
    item->setCheckable(true);
    m_toolbarGroup->addAction(item);
    const QString identifier = controller->identifier();
    connect(item, &QAction::triggered, this, [this, identifier] { selectControllerWithIdentifier(identifier); });
}

void MASPreferencesWindowController::windowDidLoad()
{
    if (!m_title.isEmpty())
        setWindowTitle(m_title);
    if (!m_viewControllers.empty()) {
        MASPreferencesViewController* stored =
            viewControllerForIdentifier(m_defaults.stringForKey(SelectedIdentifierKey));
        setSelectedViewController(stored ? stored : firstViewController());
    }
    if (const auto topLeft = pointFromString(m_defaults.stringForKey(FrameTopLeftKey))) {
        // A place on no screen (a monitor since unplugged) is not restored.
        const QList<QScreen*> screens = QGuiApplication::screens();
        const bool onScreen = std::any_of(screens.begin(), screens.end(),
                                          [&](QScreen* s) { return s->availableGeometry().contains(*topLeft); });
        if (onScreen) {
            m_switching = true;
            move(*topLeft);
            m_switching = false;
        }
    }
}

QStringList MASPreferencesWindowController::toolbarItemIdentifiers() const
{
    QStringList out;
    for (MASPreferencesViewController* controller : m_viewControllers)
        out << (controller ? controller->identifier() : QStringLiteral("NSToolbarFlexibleSpaceItem"));
    return out;
}

int MASPreferencesWindowController::indexOfSelectedController() const
{
    return m_selected ? int(toolbarItemIdentifiers().indexOf(m_selected->identifier())) : -1;
}

void MASPreferencesWindowController::addViewController(MASPreferencesViewController* viewController)
{
    Q_ASSERT_X(viewController, "addViewController", "Invalid parameter not satisfying: viewController");
    if (!viewController)
        return;
    m_viewControllers.push_back(viewController);
    addToolbarItem(viewController);
}

MASPreferencesViewController* MASPreferencesWindowController::viewControllerForIdentifier(
    const QString& identifier) const
{
    for (MASPreferencesViewController* controller : m_viewControllers)
        if (controller && controller->identifier() == identifier)
            return controller;
    return nullptr;
}

MASPreferencesViewController* MASPreferencesWindowController::firstViewController() const
{
    for (MASPreferencesViewController* controller : m_viewControllers)
        if (controller)
            return controller;
    return nullptr;
}

void MASPreferencesWindowController::selectControllerWithIdentifier(const QString& identifier)
{
    Q_ASSERT_X(!identifier.isEmpty(), "selectControllerWithIdentifier",
               "Invalid parameter not satisfying: identifier.length > 0");
    setSelectedViewController(viewControllerForIdentifier(identifier));
}

void MASPreferencesWindowController::selectControllerAtIndex(int index)
{
    if (index < 0 || size_t(index) >= m_viewControllers.size())
        return;
    setSelectedViewController(m_viewControllers[size_t(index)]);
}

void MASPreferencesWindowController::stepTab(int step)
{
    const int count = int(m_viewControllers.size());
    int index = std::max(indexOfSelectedController(), 0);
    for (int tries = 0; tries < count; ++tries) {
        index = ((index + step) % count + count) % count;
        if (m_viewControllers[size_t(index)]) {
            selectControllerAtIndex(index);
            return;
        }
    }
}

void MASPreferencesWindowController::goNextTab()
{
    stepTab(1);
}

void MASPreferencesWindowController::goPreviousTab()
{
    stepTab(-1);
}

void MASPreferencesWindowController::selectToolbarItem(const QString& identifier)
{
    for (QAction* item : m_toolbarGroup->actions())
        item->setChecked(item->data().toString() == identifier);
}

void MASPreferencesWindowController::setSelectedViewController(MASPreferencesViewController* controller)
{
    if (controller && controller == m_selected)
        return;
    if (MASPreferencesViewController* old = m_selected) {
        if (!old->commitEditing()) {
            selectToolbarItem(old->identifier());
            return;
        }
        m_switching = true;
        QWidget* view = takeCentralWidget();
        if (view) {
            view->hide();
            view->setParent(nullptr);
        }
        setCentralWidget(new QWidget);
        m_switching = false;
        old->viewDidDisappear();
        m_selected = nullptr;
        selectToolbarItem(QString());
    }
    if (!controller)
        return;
    if (m_title.isEmpty())
        setWindowTitle(controller->toolbarItemLabel());
    selectToolbarItem(controller->identifier());
    m_defaults.setString(controller->identifier(), SelectedIdentifierKey);

    QWidget* view = controller->view();
    // A view laid out by its layout has a size hint; a plain one its own size.
    const QSize hint = view->sizeHint().isValid() ? view->sizeHint() : view->size();
    const QRect bounds(QPoint(), hint.expandedTo(view->minimumSize()));
    const QRect saved = rectFromString(m_defaults.stringForKey(paneFrameKey(controller->identifier()))).value_or(bounds);
    if (!m_minimumViewRects.contains(controller->identifier()))
        m_minimumViewRects.insert(controller->identifier(), bounds);
    const QRect minimum = m_minimumViewRects.value(controller->identifier());
    const bool resizableWidth = isResizable(controller->hasResizableWidth(), view->sizePolicy().horizontalPolicy());
    const bool resizableHeight = isResizable(controller->hasResizableHeight(), view->sizePolicy().verticalPolicy());
    const QSize size(resizableWidth && saved.width() >= minimum.width() ? saved.width() : minimum.width(),
                     resizableHeight && saved.height() >= minimum.height() ? saved.height() : minimum.height());

    m_switching = true;
    delete takeCentralWidget();
    controller->viewWillAppear();
    m_selected = controller;
    view->setMinimumSize(minimum.size());
    view->setMaximumSize(resizableWidth ? QWIDGETSIZE_MAX : size.width(),
                         resizableHeight ? QWIDGETSIZE_MAX : size.height());
    view->resize(size);
    setCentralWidget(view);
    view->show();
    // The window grows or shrinks downwards and to the right: resize() keeps
    // the top-left corner where it is.
    const int toolbarHeight = m_toolbar->sizeHint().height();
    const QSize windowSize(size.width(), size.height() + toolbarHeight);
    setMinimumSize(minimum.width(), minimum.height() + toolbarHeight);
    setMaximumSize(resizableWidth ? QWIDGETSIZE_MAX : windowSize.width(),
                   resizableHeight ? QWIDGETSIZE_MAX : windowSize.height());
    resize(windowSize);
    m_switching = false;

    if (QApplication::focusWidget() == nullptr || isActiveWindow()) {
        if (QWidget* key = controller->initialKeyView())
            key->setFocus();
        else if (QWidget* first = view->nextInFocusChain())
            first->setFocus();
    }
    sv::NotificationCenter::defaultCenter().post(DidChangeViewNotification);
}

void MASPreferencesWindowController::closeEvent(QCloseEvent* event)
{
    if (m_selected && !m_selected->commitEditing()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void MASPreferencesWindowController::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    if (!m_switching && isVisible())
        m_defaults.setString(stringFromPoint(pos()), FrameTopLeftKey);
}

void MASPreferencesWindowController::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (!m_switching && m_selected && isVisible())
        m_defaults.setString(stringFromRect(QRect(QPoint(), m_selected->view()->size())),
                             paneFrameKey(m_selected->identifier()));
}
