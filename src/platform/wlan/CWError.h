#pragma once

#include <QString>

// Error codes of the wireless framework that this system tells apart.
enum CWErr : int {
    kCWNoErr = 0,
    kCWUnknownErr = -3902,
    kCWNotSupportedErr = -3903,
    kCWTimeoutErr = -3905,
    kCWOperationNotPermittedErr = -3930,
};

// An error from the wireless layer: a numeric code and a text for people.
struct CWError {
    int code = kCWNoErr;
    QString localizedDescription;

    explicit operator bool() const { return code != kCWNoErr; }
    static CWError make(int code, const QString& description) { return CWError{code, description}; }
};
