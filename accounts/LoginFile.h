#pragma once

#include <QString>
#include <optional>

// The one-line "login" file of an account folder: login, password and trade
// server address separated by ";", without escaping and without a line end.
class LoginFile
{
public:
    struct Content
    {
        QString password;
        QString serverAddress;
    };

    static QString path(const QString &accountFolder);

    // The password and address of the first line; both empty unless the line has
    // exactly three parts. Nothing when the file cannot be opened.
    static std::optional<Content> read(const QString &accountFolder);

    // Replaces the file, creating the folder when needed; the file is readable by
    // its owner only. A field holding ";" or a line break could not be read back
    // as written, so such a line is refused (false, file left as it was).
    static bool write(const QString &accountFolder, qint64 login, const QString &password,
                      const QString &serverAddress);
};
