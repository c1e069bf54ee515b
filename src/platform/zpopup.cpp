// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zpopup.h"

#include "core/names/filename.h"
#include "platform/elidinglabel.h"
#include "platform/popupaccessible.h"
#include "platform/res_icon_reader.h"
#include "platform/zglobal.h"
#include "platform/zpalette.h"
#include "platform/zsoftkey.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QColor>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace {

QString popupStyle()
{
    const auto c = [](QRgb colour) { return QColor(colour).name(); };
    return QStringLiteral(R"(
ZPopup { background: #f4f6f9; }
QWidget#titleRow { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2); }
QLabel#title { color: white; font-weight: bold; }
QLabel#instruct { color: %3; background: %4; padding: 2px 4px; }
ZSoftKey { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #3b3f46, stop:1 %5); }
ZSoftKey QToolButton { color: white; font-weight: bold; border: none; }
ZSoftKey QToolButton:pressed { background: #4c6fa8; }
QListView { background: %6; border: none; selection-background-color: %7; selection-color: %8; }
)")
            .arg(c(ZPalette::titleBarTop), c(ZPalette::titleBarBottom), c(ZPalette::pathText),
                 c(ZPalette::pathBackground), c(ZPalette::softKeyBar), c(ZPalette::listBackground),
                 c(ZPalette::highlight), c(ZPalette::highlightedText));
}

// A phone's width, 240 logical pixels, grown with the text so that it stays readable, and never
// wider than the screen.
int phoneWidth()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? std::min(ZGlobal::sizes().scaled(240), screen->availableSize().width()) : 240;
}

// Qt asks for each class of an object from its own upwards: every popup is met here as a ZPopup.
QAccessibleInterface *popupAccessible(const QString &className, QObject *object)
{
    return className == QLatin1String("ZPopup") ? new PopupAccessible(static_cast<ZPopup *>(object))
                                                : nullptr;
}

} // namespace

ZPopup::ZPopup(int type, QWidget *parent, const char *name, bool modal, int, int)
    : QDialog(parent)
    , m_type(type)
    , m_accessibleRole(type == MainWindow ? QAccessible::Window : QAccessible::Dialog)
    , m_tellLater(new QTimer(this))
{
    static const bool rolesKnown = (QAccessible::installFactory(popupAccessible), true);
    Q_UNUSED(rolesKnown);
    m_tellLater->setSingleShot(true);
    connect(m_tellLater, &QTimer::timeout, this, &ZPopup::tellUntold);
    if (name)
        setObjectName(QString::fromUtf8(name));
    // The main window is shown, not run: making it modal would only block the desktop.
    setModal(type != MainWindow && modal);
    setStyleSheet(popupStyle());

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto *titleRow = new QWidget(this);
    titleRow->setObjectName(QStringLiteral("titleRow"));
    titleRow->setAttribute(Qt::WA_StyledBackground);
    auto *titleLayout = new QHBoxLayout(titleRow);
    titleLayout->setContentsMargins(4, 3, 4, 3);
    m_titleIcon = new QLabel(titleRow);
    m_titleIcon->setFixedSize(QSize(20, 20) * ZGlobal::sizes().scale);
    m_titleIcon->setScaledContents(true);
    m_titleIcon->hide();
    // A dialog's title is often a name: cut in its middle, its end (the extension, what tells two
    // long names apart) stays in sight.
    m_title = new ElidingLabel(type == MainWindow ? Qt::ElideRight : Qt::ElideMiddle, titleRow);
    m_title->setObjectName(QStringLiteral("title"));
    titleLayout->addWidget(m_titleIcon);
    titleLayout->addWidget(m_title, 1);
    outer->addWidget(titleRow);

    if (type == MainWindow) {
        m_instruct = new ElidingLabel(Qt::ElideNone, this);
    } else {
        m_instruct = new QLabel(this);
        m_instruct->setWordWrap(true);
    }
    m_instruct->setObjectName(QStringLiteral("instruct"));
    m_instruct->setTextFormat(Qt::PlainText);
    m_instruct->hide();
    outer->addWidget(m_instruct);

    m_content = new QVBoxLayout;
    m_content->setContentsMargins(0, 0, 0, 0);
    m_content->setSpacing(0);
    outer->addLayout(m_content, 1);

    m_softKey = new ZSoftKey(this);
    outer->addWidget(m_softKey);
    connect(m_softKey, &ZSoftKey::clicked, this, [this](int index) {
        if (index == ZSoftKey::Left)
            leftKey();
        else
            rightKey();
    });

    if (type == MainWindow) {
        // An application window, not a dialog: window managers treat it as one, and Qt applies
        // -geometry only to such a window.
        setWindowFlags(Qt::Window);
        setGeometry(ZGlobal::mainWindowGeometry());
    } else {
        // A phone's popup has no frame of its own; it lies over the window's bottom.
        setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        setMinimumWidth(qMin(phoneWidth(), 480));
    }
    // Nothing grows past the screen's edge.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        setMaximumSize(screen->availableSize());
}

ZPopup::~ZPopup() = default;

// Texts that hold file names show a byte that is not UTF-8 as U+FFFD (FileName::forDisplay).
void ZPopup::setTitle(const QString &title)
{
    const QString shown = FileName::forDisplay(title);
    m_title->setText(shown);
    setWindowTitle(shown);
    tellCalmly(this, shown);
}

QString ZPopup::title() const
{
    return m_title->text();
}

void ZPopup::setTitleIcon(const QPixmap &icon)
{
    m_titleIcon->setPixmap(icon);
    m_titleIcon->setVisible(!icon.isNull());
    if (!icon.isNull())
        setWindowIcon(icon);
}

void ZPopup::setTitleIcon(const QString &iconFileName)
{
    setTitleIcon(RES_ICON_Reader().getIcon(iconFileName, true));
}

void ZPopup::setInstructText(const QString &text)
{
    m_instructText = text;
    const QString shown = FileName::forDisplay(text);
    tellCalmly(m_instruct, shown);
    m_instruct->setText(m_type == MainWindow ? shown : breakable(shown));
    m_instruct->setVisible(!text.isEmpty());
}

void ZPopup::tellCalmly(QWidget *widget, const QString &name)
{
    if (widget->accessibleName() == name) {
        m_untold.remove(widget);
    } else if (m_type == MainWindow || widget->accessibleName().isEmpty() || !m_told.isValid()
               || m_told.elapsed() >= 1000) {
        m_untold.remove(widget);
        widget->setAccessibleName(name);
        m_told.start();
    } else {
        m_untold.insert(widget, name);
        if (!m_tellLater->isActive())
            m_tellLater->start(int(1000 - m_told.elapsed()));
    }
}

void ZPopup::tellUntold()
{
    for (auto untold = m_untold.cbegin(); untold != m_untold.cend(); ++untold) {
        if (untold.key()->accessibleName() != untold.value())
            untold.key()->setAccessibleName(untold.value());
    }
    m_untold.clear();
    m_told.start();
}

QLabel *ZPopup::messageLabel(const QString &shown, QWidget *parent)
{
    auto *label = new QLabel(breakable(shown), parent);
    label->setAccessibleName(shown);
    setAccessibleDescription(shown);
    label->setObjectName(QStringLiteral("messageText"));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

QString ZPopup::instructText() const
{
    return FileName::forDisplay(m_instructText);
}

QString ZPopup::breakable(const QString &text)
{
    // A zero-width space after each "/" between two folders and within any long run without a
    // blank lets a label wrap a path or a long name instead of growing past the screen; never
    // after the "/" that begins a path, nor inside "->", nor before a question's end, whose blank
    // (" ?") does not break either.
    QString wrapped;
    wrapped.reserve(text.size() + text.size() / 8);
    int run = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        const bool endsQuestion = next == u'?' && (i + 2 == text.size() || text[i + 2] == u'\n');
        wrapped += c == u' ' && endsQuestion ? QChar(QChar::Nbsp) : c;
        run = c.isSpace() ? 0 : run + 1;
        const bool beginsPath = c == u'/' && (i == 0 || text[i - 1].isSpace());
        // A word joiner: a line may wrap after any other "/", and an arrow's "-" keeps its ">".
        if ((beginsPath || (c == u'-' && next == u'>')) && !next.isNull() && !next.isSpace()) {
            wrapped += QChar(0x2060);
        } else if ((c == u'/' || run >= 12) && !next.isNull() && next != u'?' && !next.isSpace()) {
            wrapped += QChar(0x200B);
            run = 0;
        }
    }
    return wrapped;
}

const ZPopup *ZPopup::mainWindow() const
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        const auto *popup = qobject_cast<const ZPopup *>(widget);
        if (popup && popup != this && popup->m_type == MainWindow && popup->isVisible())
            return popup;
    }
    return nullptr;
}

QRect ZPopup::hostArea() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QRect room = screen ? screen->availableGeometry() : QRect();
    const ZPopup *main = mainWindow();
    if (!main)
        return room;
    // Where the window really is: one placed by -geometry, or moved by the window system, may
    // not have told its widget. And never past the screen's edge.
    const QRect window(main->mapToGlobal(QPoint(0, 0)), main->size());
    return room.isValid() && room.intersects(window) ? window.intersected(room) : window;
}

void ZPopup::whenOnScreen(const std::function<void()> &then, int patience)
{
    if (patience > 0 && isVisible() && !(windowHandle() && windowHandle()->isExposed())) {
        QTimer::singleShot(50, this, [this, then, patience] { whenOnScreen(then, patience - 1); });
        return;
    }
    then();
}

void ZPopup::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    placeAtTheBottom();
}

// What a popup shows may grow while it is up (a wait popup's progress and time): it grows with it,
// so that its lines never overlap.
bool ZPopup::event(QEvent *event)
{
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::LayoutRequest && isVisible())
        placeAtTheBottom();
    return handled;
}

// A dialog sits at the bottom of the main window, as wide as it, as tall as it needs up to the
// window's height.
void ZPopup::placeAtTheBottom()
{
    if (m_type == MainWindow || !mainWindow())
        return; // the main window, or where the window system puts it
    const QRect host = hostArea();
    const int width = std::clamp(host.width(), minimumWidth(), maximumWidth());
    const int height = std::min(
            { std::max(sizeHint().height(), minimumHeight()), host.height(), maximumHeight() });
    setGeometry(host.left(), host.bottom() + 1 - height, width, height);
}

void ZPopup::insertChild(QWidget *child, int index)
{
    if (!child)
        return;
    m_content->insertWidget(index < 0 ? m_content->count() : index, child, 1);
    if (!focusWidget() && child->focusPolicy() != Qt::NoFocus)
        child->setFocus();
}

void ZPopup::keyPressEvent(QKeyEvent *event)
{
    // Not QDialog's handling: Escape must not close the main window, and there are no default
    // buttons to press.
    const int softKey = softKeyForKey(event->key());
    if (softKey < 0) {
        event->ignore();
        return;
    }
    event->accept();
    m_softKey->click(softKey);
}

int ZPopup::softKeyForKey(int key) const
{
    return ZSoftKey::softKeyFor(key);
}

bool ZPopup::isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::Wheel:
        return true;
    default:
        return false;
    }
}

void ZPopup::leftKey()
{
    if (m_type != MainWindow)
        accept();
}

void ZPopup::rightKey()
{
    if (m_type != MainWindow)
        reject();
}
