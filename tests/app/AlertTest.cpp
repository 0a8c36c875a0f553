#include <gtest/gtest.h>

#include "app/SVAlert.h"
#include "app/SVClickableTextField.h"
#include "app/SVProgressWindowController.h"
#include "app/SVStartupAlerts.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

// Runs steps one after the other from the event loop of a modal run.
void later(std::function<void()> step)
{
    QTimer::singleShot(0, qApp, std::move(step));
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

TEST(Alert, ReturnCodesFollowTheButtonOrder)
{
    for (int chosen = 0; chosen < 3; ++chosen) {
        SVAlert alert;
        alert.setMessageText("Do you want to save the current results?");
        alert.addButtonWithTitle("Save");
        alert.addButtonWithTitle("Cancel");
        alert.addButtonWithTitle("Don't Save");
        later([&] { alert.alertButtons()[chosen]->click(); });
        EXPECT_EQ(alert.runModal(), 1000 + chosen);
    }
}

TEST(Alert, EscapeAndCloseLeadOnlyThroughAnAnsweringButton)
{
    {   // A single button answers Escape and the close button.
        SVAlert alert;
        alert.setAlertStyle(SVAlert::Style::Critical);
        alert.addButtonWithTitle("Quit");
        later([&] { QTest::keyClick(&alert, Qt::Key_Escape); });
        EXPECT_EQ(alert.runModal(), SVAlert::FirstButtonReturn);
        later([&] { alert.close(); });
        EXPECT_EQ(alert.runModal(), SVAlert::FirstButtonReturn);
    }
    {   // No buttons given: one "OK".
        SVAlert alert;
        later([&] { QTest::keyClick(&alert, Qt::Key_Escape); });
        EXPECT_EQ(alert.runModal(), SVAlert::FirstButtonReturn);
        ASSERT_EQ(alert.alertButtons().size(), 1);
        EXPECT_EQ(alert.alertButtons()[0]->text(), "OK");
    }
    {   // "Cancel" answers Escape.
        SVAlert alert;
        alert.addButtonWithTitle("Turn Wi-Fi On");
        alert.addButtonWithTitle("Cancel");
        later([&] { QTest::keyClick(&alert, Qt::Key_Escape); });
        EXPECT_EQ(alert.runModal(), SVAlert::SecondButtonReturn);
    }
    {   // Without a Cancel button, Escape and close leave the alert up.
        SVAlert alert;
        alert.addButtonWithTitle("Accept");
        alert.addButtonWithTitle("Quit");
        bool stillShown = false;
        later([&] {
            QTest::keyClick(&alert, Qt::Key_Escape);
            alert.close();
            later([&] {
                stillShown = alert.isVisible();
                alert.alertButtons()[1]->click();
            });
        });
        EXPECT_EQ(alert.runModal(), SVAlert::SecondButtonReturn);
        EXPECT_TRUE(stillShown);
    }
}

TEST(Alert, SheetIsWindowModalAndEndsWithItsCompletion)
{
    QMainWindow window;
    window.show();
    QPointer<SVAlert> alert = new SVAlert;
    alert->setMessageText("Wi-Fi is off. Do you want to turn it on?");
    alert->addButtonWithTitle("Turn Wi-Fi On");
    alert->addButtonWithTitle("Cancel");
    auto* accessory = new QLabel("For more information visit");
    alert->setAccessoryView(accessory);
    int answer = 0;
    alert->beginSheetModalForWindow(&window, [&](int code) { answer = code; });
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->windowModality(), Qt::WindowModal);
    EXPECT_EQ(alert->parentWidget(), &window);
    EXPECT_EQ(SVAlert::openAlertCount(), 1);
    // The accessory sits between the texts and the buttons.
    auto* grid = qobject_cast<QGridLayout*>(alert->layout());
    ASSERT_TRUE(grid);
    int row = 0, boxRow = 0, c, rs, cs;
    grid->getItemPosition(grid->indexOf(accessory), &row, &c, &rs, &cs);
    grid->getItemPosition(grid->indexOf(alert->findChild<QDialogButtonBox*>()), &boxRow, &c, &rs, &cs);
    EXPECT_LT(row, boxRow);

    EXPECT_EQ(answer, 0);
    alert->alertButtons()[1]->click();
    EXPECT_EQ(answer, SVAlert::SecondButtonReturn);
    flushDeletes();
    EXPECT_TRUE(alert.isNull());
    EXPECT_EQ(SVAlert::openAlertCount(), 0);
}

TEST(Alert, AutomaticResponderAnswersWithoutShowing)
{
    QStringList asked;
    SVAlert::setAutomaticResponder([&](const SVAlert& a) {
        asked << a.messageText();
        return SVAlert::SecondButtonReturn;
    });
    SVAlert modal;
    modal.setMessageText("first");
    EXPECT_EQ(modal.runModal(), SVAlert::SecondButtonReturn);
    EXPECT_FALSE(modal.isVisible());

    QMainWindow window;
    int answer = 0;
    auto* sheet = new SVAlert;
    sheet->setMessageText("second");
    sheet->beginSheetModalForWindow(&window, [&](int code) { answer = code; });
    EXPECT_EQ(answer, 0); // the completion comes from the event loop
    QCoreApplication::processEvents();
    EXPECT_EQ(answer, SVAlert::SecondButtonReturn);
    flushDeletes();
    EXPECT_EQ(SVAlert::openAlertCount(), 0);
    EXPECT_EQ(asked, QStringList({"first", "second"}));
    SVAlert::setAutomaticResponder(nullptr);
}

TEST(ProgressSheet, CountedByJobs)
{
    QMainWindow window;
    window.show();
    SVProgressPanel panel(&window);
    panel.hideProgressPanel(); // nothing shown: nothing happens
    EXPECT_EQ(panel.jobCount(), 0);
    EXPECT_EQ(panel.progressWindowController(), nullptr);

    panel.showProgressPanelWithMessage(QString());
    QPointer<SVProgressWindowController> sheet = panel.progressWindowController();
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheet->parentWidget(), &window);
    EXPECT_EQ(sheet->findChild<QLabel*>()->text(), "Please wait...");

    // A second job shares the sheet; the first job's end leaves it up.
    panel.showProgressPanelWithMessage("Exporting...");
    EXPECT_EQ(panel.progressWindowController(), sheet.data());
    EXPECT_EQ(sheet->findChild<QLabel*>()->text(), "Exporting...");
    panel.hideProgressPanel();
    EXPECT_TRUE(sheet->isVisible());
    panel.hideProgressPanel();
    EXPECT_EQ(panel.progressWindowController(), nullptr);
    flushDeletes();
    EXPECT_TRUE(sheet.isNull());
    panel.hideProgressPanel();
    EXPECT_EQ(panel.jobCount(), 0);

    // The user cannot dismiss it.
    panel.showProgressPanelWithMessage("Saving...");
    QTest::keyClick(panel.progressWindowController(), Qt::Key_Escape);
    EXPECT_TRUE(panel.progressWindowController()->isVisible());
}

TEST(ClickableTextField, PointingHandOnlyWhileClickable)
{
    SVClickableTextField field;
    EXPECT_FALSE(field.clickable());
    EXPECT_FALSE(field.testAttribute(Qt::WA_SetCursor));
    field.setClickable(true);
    EXPECT_EQ(field.cursor().shape(), Qt::PointingHandCursor);
    field.setClickable(false);
    EXPECT_EQ(field.cursor().shape(), Qt::ArrowCursor);
}

TEST(StartupAlerts, TextsButtonsAndWaysOut)
{
    std::unique_ptr<SVAlert> none(newNoInterfaceAlert(QUrl("https://example.org/support")));
    EXPECT_EQ(none->messageText(), "Unable to scan for wireless networks.");
    EXPECT_EQ(none->informativeText(), "No supported Wi-Fi interfaces were found.");
    EXPECT_EQ(none->alertStyle(), SVAlert::Style::Critical);
    auto* link = qobject_cast<QLabel*>(none->accessoryView());
    ASSERT_TRUE(link);
    EXPECT_TRUE(link->text().contains("href=\"https://example.org/support\""));
    EXPECT_TRUE(link->text().contains("Skyvane Support"));
    ASSERT_EQ(none->alertButtons().size(), 2);
    EXPECT_EQ(none->alertButtons()[0]->text(), "Quit");
    EXPECT_EQ(none->alertButtons()[1]->text(), "Open Survey...");
    later([&] { QTest::keyClick(none.get(), Qt::Key_Escape); });
    EXPECT_EQ(none->runModal(), SVAlert::FirstButtonReturn); // Escape quits
    later([&] { none->alertButtons()[1]->click(); });
    EXPECT_EQ(none->runModal(), SVAlert::SecondButtonReturn);

    std::unique_ptr<SVAlert> off(newWiFiOffAlert());
    later([&] { QTest::keyClick(off.get(), Qt::Key_Escape); });
    EXPECT_EQ(off->runModal(), SVAlert::SecondButtonReturn);
    EXPECT_EQ(off->alertButtons()[0]->text(), "Turn Wi-Fi On");

    std::unique_ptr<SVAlert> beta(newPreReleaseAlert("Beta"));
    EXPECT_EQ(beta->messageText(), "This is a beta version of Skyvane.");
    EXPECT_EQ(beta->alertStyle(), SVAlert::Style::Informational);
    later([&] { beta->alertButtons()[1]->click(); });
    EXPECT_EQ(beta->runModal(), SVAlert::SecondButtonReturn);
}
