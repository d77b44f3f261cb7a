#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;

// Lets one instance of the program run per user. The first start takes the name and listens;
// a later start asks it to come forward and is told to end.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    // name: the application title; the user id is added so users do not see each other.
    explicit SingleInstance(const QString& title, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this is the only instance (it now holds the name). False when another runs; it
    // has then been asked to come forward. Touches none of the program's files.
    bool acquire();

    // Run in the first instance whenever a later start asks it to come forward.
    void setActivationHandler(std::function<void()> handler) { onActivate_ = std::move(handler); }

    QString serverName() const { return name_; }

private:
    void handleConnection();

    QString name_;
    QLocalServer* server_ = nullptr;
    std::function<void()> onActivate_;
};
