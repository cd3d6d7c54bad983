#pragma once

#include "base/codepage.h"

#include <QString>
#include <QXmlStreamWriter>

// A document is built as text and stored in the encoding its declaration names.
class XmlDocument
{
public:
    explicit XmlDocument(const char *encoding) : m_encoding(encoding), m_writer(&m_text)
    {
        m_writer.setAutoFormatting(true);
        m_text = QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>\n").arg(QLatin1String(encoding));
    }
    QXmlStreamWriter &writer() { return m_writer; }
    void attribute(const char *name, const QString &value)
    {
        // The writer would drop the control characters XML cannot hold
        // without a word: a name holding them would reach the box as
        // another name. Tabs and line breaks are written as references.
        for (const QChar c : value) {
            if (c.unicode() < 0x20 && c != QLatin1Char('\t') && c != QLatin1Char('\n') && c != QLatin1Char('\r'))
                m_storable = false;
        }
        m_writer.writeAttribute(QLatin1String(name), value);
    }
    void attribute(const char *name, qint64 value) { attribute(name, QString::number(value)); }
    // The document's bytes; stored is false when a text cannot be stored as
    // written (not in the declared encoding, control characters) or the
    // writer failed.
    QByteArray bytes(bool *stored = nullptr)
    {
        m_writer.writeEndDocument();
        const bool written = m_storable && !m_writer.hasError();
        if (qstrcmp(m_encoding, "GB2312") == 0) {
            bool ok = false;
            const QByteArray encoded = CodePage::toGb2312(m_text, &ok);
            if (stored)
                *stored = ok && written;
            return encoded;
        }
        if (stored)
            *stored = written;
        return m_text.toUtf8();
    }

private:
    const char *m_encoding;
    QString m_text;
    QXmlStreamWriter m_writer;
    bool m_storable = true;
};
