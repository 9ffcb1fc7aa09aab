#pragma once

#include <QString>

// The file being read, as its item handlers see it.
class DzAssetFile {
public:
    explicit DzAssetFile(QString const& filename) : m_filename(filename) {}

    QString const& getFilename() const { return m_filename; }

    // A handler that rejects a value says why here; the reader puts it into its error message.
    void setError(QString const& message) { m_error = message; }
    QString const& getError() const { return m_error; }

private:
    QString m_filename;
    QString m_error;
};
