#pragma once

#include <QColor>
#include <QWidget>

class QLabel;

// The permanent status-bar widget: connection icon, connection text and latency.
class ConnectionStatusWidget : public QWidget
{
    Q_OBJECT
public:
    explicit ConnectionStatusWidget(QWidget *parent = nullptr);

    // The text in the given colour, with the icon its wording calls for.
    // While the account is disabled every request shows "Disabled" instead.
    void setConnectionStatus(const QString &text, const QColor &colour);
    QString statusText() const;

    // "..." while connecting, "--" after a failure, empty when nothing is known.
    void setLatencyIdle(const QString &text);
    void setLatency(int milliseconds);

    QLabel *iconLabel() const { return m_statusIcon; }
    QLabel *textLabel() const { return m_statusText; }
    QLabel *latencyLabel() const { return m_latencyLabel; }

    // The icon resource for a status text, empty for none.
    static QString iconFor(const QString &text);
    // The latency colour: green below 80 ms, yellow below 200 ms, red beyond.
    static QString latencyColour(int milliseconds);

    static const QColor blue, darkGreen, red, darkYellow, orange;

private:
    QLabel *m_statusIcon;
    QLabel *m_statusText;
    QLabel *m_latencyLabel;
};
