#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QLocalServer;
class QLocalSocket;

// Lets one instance of the program run per user. The first start takes the name and listens;
// a later start asks it to come forward, hands it the files it was started with, and is told to
// end.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    // name: the application title; the user id is added so users do not see each other.
    explicit SingleInstance(const QString& title, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this is the only instance (it now holds the name). False when another runs; it
    // has then been asked to come forward and been handed files (absolute paths). Touches none
    // of the program's files.
    bool acquire(const QStringList& files = {});

    // Run in the first instance whenever a later start asks it to come forward.
    void setActivationHandler(std::function<void()> handler) { onActivate_ = std::move(handler); }
    // Run in the first instance with the files a later start hands over; files that came before
    // there was a handler are handed to it as it is set.
    void setFilesHandler(std::function<void(const QStringList&)> handler);

    QString serverName() const { return name_; }

private:
    void handleConnection();
    void readFrom(QLocalSocket* socket);
    void deliverFiles(const QStringList& files);

    QString name_;
    QLocalServer* server_ = nullptr;
    std::function<void()> onActivate_;
    std::function<void(const QStringList&)> onFiles_;
    QStringList pendingFiles_;
    QHash<QLocalSocket*, QByteArray> partial_;  // a line not yet complete, per later start
};
