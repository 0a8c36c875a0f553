#pragma once

#include "platform/NotificationCenter.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QWidget>

#include <vector>

// Tells the user when a file they rely on (annotations, settings) could not
// be saved: once per file, with the file's name and the system's reason,
// until a save of that file succeeds again. Logging alone goes unseen.
class SVFileAlerts : public QObject {
    Q_OBJECT
public:
    explicit SVFileAlerts(QWidget* window, QObject* parent = nullptr);
    ~SVFileAlerts() override;

    // While the application quits, alerts run modally: a sheet would not
    // outlive the window.
    void setTerminating(bool terminating) { m_terminating = terminating; }
    // Nobody may be there to answer (a signal or a timer ended the
    // application): failures are logged, and no alert holds up the end.
    void setUnattended(bool unattended) { m_unattended = unattended; }

    // The annotations file could not be read at start (empty: it could).
    // Said once per run.
    void reportAnnotationsReadError(const QString& error);
    // The settings file could not be read at start (readError), or had lines
    // that are no settings and was copied to setAsideFile; empty: neither.
    // Said once per run.
    void reportSettingsReadProblem(const QString& readError, const QString& setAsideFile);
    // A damaged annotations file was moved to aside at start (empty: none
    // was), so the annotations start empty. Said once per run.
    void reportAnnotationsMovedAside(const QString& aside);

    // Files whose last save failed and was reported.
    QSet<QString> failingFiles() const { return m_failing; }

private:
    void saveDidFail(const QString& path, const QString& reason);
    void show(const QString& message, const QString& information);

    QPointer<QWidget> m_window;
    QSet<QString> m_failing;
    bool m_terminating = false;
    bool m_unattended = false;
    bool m_readErrorReported = false;
    bool m_settingsProblemReported = false;
    bool m_movedAsideReported = false;
    std::vector<sv::NotificationCenter::Observation> m_observations;
};
