#pragma once

#include <QString>
#include <QTemporaryDir>

// A throw-away home folder for the duration of one test program: the toolkit's
// test-mode locations, and so the terminal's configuration folder, lie inside it.
class TemporaryProfile
{
public:
    TemporaryProfile();

    bool isValid() const;
    QString home() const { return m_dir.path(); }
    // Removes everything the previous test case left in the configuration folder.
    bool resetConfig() const;
    // Creates folder (relative to the configuration folder) and writes bytes to a file in it.
    static bool writeConfigFile(const QString &relativePath, const QByteArray &bytes);
    static QByteArray readConfigFile(const QString &relativePath);

private:
    QTemporaryDir m_dir;
};
