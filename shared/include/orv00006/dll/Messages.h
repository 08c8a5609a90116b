#pragma once
// A message table: lines "KEY|text", looked up by key.
#include <QObject>
#include <QStringList>

#include "orv00006/dll/export.h"

namespace dll {

class DLL_API TMessages : public QObject {
    Q_OBJECT
public:
    explicit TMessages(QObject* owner = nullptr);
    ~TMessages() override;

    QStringList Lines;

    // Loads the lines from a UTF-8 text file (a resource path is fine): one
    // line per message; "\r", "\n" and "\\" in a text stand for CR, LF and a
    // backslash. Throws plat::Exception when the file cannot be read.
    void LoadFromFile(const QString& path);

    // The text stored under `key`, or an empty text for an unknown key.
    QString Msg(const QString& key) const;
};

}  // namespace dll
