#pragma once

#include "config/codepage.h"

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
    void attribute(const char *name, const QString &value) { m_writer.writeAttribute(QLatin1String(name), value); }
    void attribute(const char *name, qint64 value) { attribute(name, QString::number(value)); }
    QByteArray bytes(bool *encodable = nullptr)
    {
        m_writer.writeEndDocument();
        if (qstrcmp(m_encoding, "GB2312") == 0) {
            bool ok = false;
            const QByteArray encoded = CodePage::toGb2312(m_text, &ok);
            if (encodable)
                *encodable = ok;
            return encoded;
        }
        if (encodable)
            *encodable = true;
        return m_text.toUtf8();
    }

private:
    const char *m_encoding;
    QString m_text;
    QXmlStreamWriter m_writer;
};
