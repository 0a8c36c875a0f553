#pragma once

#include <QMap>
#include <QString>

#include <mutex>

// The shared store of annotations by BSSID. Placeholder: kept in memory only
// until the store on disk is built.
class SVAnnotationsHelper {
public:
    static SVAnnotationsHelper& sharedAnnotations();

    QMap<QString, QString> annotations() const;
    QString annotationsForNetwork(const QString& bssid) const;
    void setAnnotationsForNetwork(const QString& bssid, const QString& annotations);
    void saveToDisk();

private:
    mutable std::mutex m_mutex;
    QMap<QString, QString> m_annotations;
};
