#pragma once

#include <QObject>

class QMediaPlayer;

// The four sound effects, each always played from its start.
class SoundEffects : public QObject
{
    Q_OBJECT
public:
    enum Sound
    {
        Login,
        Disconnected,
        Trade,
        Error
    };

    explicit SoundEffects(QObject *parent = nullptr);

    void play(Sound sound);
    QMediaPlayer *player(Sound sound) const { return m_players[sound]; }
    static QString mediaUrl(Sound sound);

private:
    QMediaPlayer *m_players[4];
};
