#pragma once

#include <QDialog>
#include <QString>

class QScrollArea;
class SymbolDataStorage;

// The static description of one symbol: its volumes and digits from the
// symbol list, and the swap and session texts, which are the same for
// every symbol (the server sends none).
class SymbolSpecificationDialog : public QDialog
{
    Q_OBJECT
public:
    // storage is not owned and may be null (every value stays empty).
    SymbolSpecificationDialog(const QString &symbol, SymbolDataStorage *storage, QWidget *parent = nullptr);

    QString symbol() const { return m_symbol; }

    // The value texts of spec_0 ... spec_6 for a setting (lots with 2 decimals).
    static QString contractSizeText(double contractSize);
    static QString lotsText(qint64 units);

private:
    void buildForm();
    void fill();
    void setValue(const QString &objectName, const QString &text);

    QString m_symbol;
    SymbolDataStorage *m_storage;
    QScrollArea *m_scrollArea = nullptr;
    QWidget *m_content = nullptr;
};
