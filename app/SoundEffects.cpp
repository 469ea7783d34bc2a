#include "app/SoundEffects.h"

#include <QMediaPlayer>
#include <QUrl>

SoundEffects::SoundEffects(QObject *parent) : QObject(parent)
{
    for (int i = 0; i < 4; ++i) {
        m_players[i] = new QMediaPlayer(this);
        m_players[i]->setMedia(QUrl(mediaUrl(static_cast<Sound>(i))));
        m_players[i]->setVolume(100);
    }
}

QString SoundEffects::mediaUrl(Sound sound)
{
    switch (sound) {
    case Login:
        return QStringLiteral("qrc:/sound/login.wav");
    case Disconnected:
        return QStringLiteral("qrc:/sound/disconnected.wav");
    case Trade:
        return QStringLiteral("qrc:/sound/trade.wav");
    case Error:
        return QStringLiteral("qrc:/sound/error.wav");
    }
    return QString();
}

void SoundEffects::play(Sound sound)
{
    QMediaPlayer *player = m_players[sound];
    player->stop();
    player->setPosition(0);
    player->play();
}
