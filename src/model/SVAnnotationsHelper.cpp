#include "model/SVAnnotationsHelper.h"

SVAnnotationsHelper& SVAnnotationsHelper::sharedAnnotations()
{
    static SVAnnotationsHelper store;
    return store;
}

QMap<QString, QString> SVAnnotationsHelper::annotations() const
{
    std::lock_guard lock(m_mutex);
    return m_annotations;
}

QString SVAnnotationsHelper::annotationsForNetwork(const QString& bssid) const
{
    std::lock_guard lock(m_mutex);
    return m_annotations.value(bssid);
}

void SVAnnotationsHelper::setAnnotationsForNetwork(const QString& bssid, const QString& annotations)
{
    std::lock_guard lock(m_mutex);
    const QString trimmed = annotations.trimmed();
    if (trimmed.isEmpty())
        m_annotations.remove(bssid);
    else
        m_annotations.insert(bssid, trimmed);
}

void SVAnnotationsHelper::saveToDisk() {}
