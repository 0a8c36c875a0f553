#include "app/SVAlert.h"

#include "views/SVThemeHelper.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace {

std::function<int(const SVAlert&)>& responder()
{
    static std::function<int(const SVAlert&)> r;
    return r;
}

int& openCount()
{
    static int count = 0;
    return count;
}

} // namespace

SVAlert::SVAlert(QWidget* parent) : QMessageBox(parent)
{
    SVThemeHelper::setAppearanceForWindow(this);
    setTextFormat(Qt::PlainText);
    setAlertStyle(Style::Warning);
}

void SVAlert::setInformativeText(const QString& text)
{
    QMessageBox::setInformativeText(text);
    // The message box makes this label itself and lets it guess the format.
    for (QLabel* label : findChildren<QLabel*>())
        if (!text.isEmpty() && label->text() == text && label->textFormat() != Qt::PlainText)
            label->setTextFormat(Qt::PlainText);
}

SVAlert::~SVAlert()
{
    if (m_counted)
        --openCount();
}

QPushButton* SVAlert::addButtonWithTitle(const QString& title)
{
    // Its mnemonic mark aside.
    const bool cancel = QString(title).remove(QLatin1Char('&')) == tr("Cancel");
    QPushButton* button = addButton(title, cancel ? QMessageBox::RejectRole : QMessageBox::ActionRole);
    if (m_buttons.isEmpty())
        setDefaultButton(button);
    m_buttons.append(button);
    if (cancel)
        setEscapeButton(button);
    return button;
}

void SVAlert::setAlertStyle(Style style)
{
    m_style = style;
    switch (style) {
    case Style::Warning:
        setIcon(QMessageBox::Warning);
        break;
    case Style::Informational:
        setIcon(QMessageBox::Information);
        break;
    case Style::Critical:
        setIcon(QMessageBox::Critical);
        break;
    }
}

void SVAlert::setAccessoryView(QWidget* view)
{
    delete m_accessory;
    m_accessory = view;
    auto* grid = qobject_cast<QGridLayout*>(layout());
    if (!view || !grid)
        return;
    // Put the view above the buttons: take the button box out, add the view
    // in its row, and the buttons below it.
    auto* box = findChild<QDialogButtonBox*>();
    int row = grid->rowCount(), column = 0, rowSpan = 1, columnSpan = grid->columnCount();
    if (box) {
        const int index = grid->indexOf(box);
        if (index >= 0) {
            grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
            grid->removeWidget(box);
        }
    }
    grid->addWidget(view, row, column, 1, columnSpan);
    if (box)
        grid->addWidget(box, row + 1, column, rowSpan, columnSpan);
}

void SVAlert::ensureButtons()
{
    if (m_buttons.isEmpty())
        addButtonWithTitle(tr("OK"));
    if (m_buttons.size() == 1)
        setEscapeButton(m_buttons.front());
}

int SVAlert::returnCodeOf(QAbstractButton* clicked) const
{
    const int index = m_buttons.indexOf(qobject_cast<QPushButton*>(clicked));
    return index < 0 ? AbortReturn : FirstButtonReturn + index;
}

int SVAlert::runModal()
{
    ensureButtons();
    if (responder())
        return responder()(*this);
    ++openCount();
    setWindowModality(Qt::ApplicationModal);
    exec();
    --openCount();
    return returnCodeOf(clickedButton());
}

void SVAlert::beginSheetModalForWindow(QWidget* window, std::function<void(int)> completion)
{
    ensureButtons();
    ++openCount();
    m_counted = true;
    if (responder()) {
        const int code = responder()(*this);
        QTimer::singleShot(0, this, [this, code, completion = std::move(completion)] {
            if (completion)
                completion(code);
            deleteLater();
        });
        return;
    }
    if (window && window != parentWidget())
        setParent(window, windowFlags() | Qt::Sheet);
    setWindowModality(Qt::WindowModal);
    connect(this, &QDialog::finished, this, [this, completion = std::move(completion)] {
        const int code = returnCodeOf(clickedButton());
        --openCount();
        m_counted = false;
        if (completion)
            completion(code);
        deleteLater();
    });
    open();
}

void SVAlert::setAutomaticResponder(std::function<int(const SVAlert&)> r)
{
    responder() = std::move(r);
}

int SVAlert::openAlertCount()
{
    return openCount();
}
