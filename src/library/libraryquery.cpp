// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/libraryquery.h"

#include "library/presetcolumns.h"
#include "model/amplists.h"
#include "model/presetrecord.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <optional>

namespace {

// Rows the search ever shows: readable presets and files that could not be
// read; global files are indexed only so they are not read again.
const QString Shown = QStringLiteral("f.kind IN (0, 1, 2)");

class Compiler {
public:
    // A control character (NUL, a bell ...) separates terms as a space
    // does: none can be part of a name or a note the index holds.
    Compiler(const QString &text, bool wordIndex) : text_(text), wordIndex_(wordIndex)
    {
        for (QChar &c : text_)
            if (c.category() == QChar::Other_Control)
                c = QLatin1Char(' ');
    }

    CompiledQuery run()
    {
        QStringList conditions{Shown}, narrows;
        int terms = 0;
        while (skipSpaces()) {
            if (++terms > LibraryQuery::MaxTerms) {
                error(QCoreApplication::translate("LibraryQuery", "A search may have at most %1 terms.")
                          .arg(LibraryQuery::MaxTerms));
                return result_;
            }
            narrow_.clear();
            const std::optional<QString> term = nextTerm();
            if (!term)
                return result_;
            conditions << *term;
            if (!narrow_.isEmpty())
                narrows << narrow_;
        }
        result_.where = conditions.join(QStringLiteral(" AND "));
        result_.narrowed = (conditions + narrows).join(QStringLiteral(" AND "));
        return result_;
    }

private:
    bool atEnd() const { return pos_ >= text_.size(); }
    QChar at(qsizetype i) const { return i < text_.size() ? text_[i] : QChar(); }

    bool skipSpaces()
    {
        while (!atEnd() && text_[pos_].isSpace())
            ++pos_;
        return !atEnd();
    }

    // The query cannot run: nothing but the reason is kept.
    std::nullopt_t error(const QString &why)
    {
        result_ = CompiledQuery{};
        result_.error = why;
        return std::nullopt;
    }

    // Numbered, so a value can be used in more than one place.
    QString bind(const QVariant &value)
    {
        result_.values << value;
        return QStringLiteral("?%1").arg(result_.values.size());
    }

    // A quoted text from the opening quote at pos_; nullopt when it is
    // never closed.
    std::optional<QString> quoted()
    {
        const qsizetype open = pos_;
        const qsizetype close = text_.indexOf(QLatin1Char('"'), open + 1);
        if (close < 0) {
            error(QCoreApplication::translate("LibraryQuery", "The quotation mark at character %1 is not closed.")
                      .arg(open + 1));
            return std::nullopt;
        }
        pos_ = close + 1;
        return text_.mid(open + 1, close - open - 1);
    }

    QString bare()
    {
        const qsizetype start = pos_;
        while (!atEnd() && !text_[pos_].isSpace())
            ++pos_;
        return text_.mid(start, pos_ - start);
    }

    std::optional<QString> nextTerm()
    {
        bool negated = false;
        if (at(pos_) == QLatin1Char('-') && !at(pos_ + 1).isNull() && !at(pos_ + 1).isSpace()) {
            negated = true;
            ++pos_;
        }
        std::optional<QString> condition;
        if (at(pos_) == QLatin1Char('"')) {
            const std::optional<QString> phrase = quoted();
            if (!phrase)
                return std::nullopt;
            condition = words(*phrase);
        } else if (const qsizetype keyEnd = fieldKeyEnd(); keyEnd > pos_) {
            condition = fieldTerm(keyEnd);
        } else {
            condition = words(bare());
        }
        if (!condition)
            return std::nullopt;
        // A row without the value (a file that could not be read) matches
        // no term, and so every excluded one. The files a term excludes
        // tell nothing of where the others are.
        if (negated) {
            narrow_.clear();
            return QStringLiteral("NOT coalesce((%1), 0)").arg(*condition);
        }
        return QStringLiteral("(%1)").arg(*condition);
    }

    // Where the letters of a field name end, when they are followed by an
    // operator; pos_ when the term is no field.
    qsizetype fieldKeyEnd() const
    {
        qsizetype i = pos_;
        while (i < text_.size() && text_[i].isLetter())
            ++i;
        const QChar op = at(i);
        const bool isOp =
            op == QLatin1Char(':') || op == QLatin1Char('<') || op == QLatin1Char('>') || op == QLatin1Char('=');
        return i > pos_ && isOp ? i : pos_;
    }

    // In the file's name, note or reason, or the name of the model,
    // cabinet, modulation or slot.
    QString words(const QString &text)
    {
        if (text.isEmpty())
            return QStringLiteral("1"); // "" finds everything, as no term would
        // Both sides folded by Qt: "Übung" finds "ÜBUNG".
        const QString folded = presetcolumns::folded(text);
        const QString value = bind(folded);
        QStringList slotNames;
        for (int s = 0; s < preset::SlotCount; ++s)
            slotNames << preset::slotName(s);
        const std::pair<const char *, QStringList> lists[] = {{"model", amplists::ampModels()},
                                                              {"cabinet", amplists::cabinets()},
                                                              {"modulation", amplists::modulationTypes()},
                                                              {"slot", slotNames}};
        QStringList any{QStringLiteral("instr(f.words, %1) > 0").arg(value)};
        QStringList files;
        for (const auto &[column, names] : lists) {
            const QString in = indices(names, text, false);
            if (in.isEmpty())
                continue;
            const QString condition = listCondition(column, in);
            any << condition;
            if (qstrcmp(column, "slot") != 0)
                files << QStringLiteral("SELECT file FROM presets p WHERE %1").arg(condition);
        }
        // Three characters or more are looked up in the index of every
        // three characters in the words (a phrase of them); fewer can only
        // be looked for in every file's words. Slot names have two.
        if (wordIndex_ && folded.toUcs4().size() >= 3)
            narrow_ = QStringLiteral("f.id IN (%1)")
                          .arg((QStringList{QStringLiteral("SELECT rowid FROM files_fts WHERE files_fts MATCH"
                                                           " '\"' || replace(%1, '\"', '\"\"') || '\"'")
                                                .arg(value)} +
                                files)
                                   .join(QStringLiteral(" UNION ")));
        return any.join(QStringLiteral(" OR "));
    }

    // p.column IN (in), and every value of the list columns before it in
    // their index (model, cabinet, modulation), so the index serves it.
    static QString listCondition(const char *column, const QString &in)
    {
        QStringList terms;
        const auto lists = presetcolumns::lists();
        const bool listed = std::any_of(lists.begin(), lists.end(),
                                        [&](const presetcolumns::Column &c) { return qstrcmp(c.name, column) == 0; });
        for (const presetcolumns::Column &c : lists) {
            if (!listed || qstrcmp(c.name, column) == 0)
                break;
            QStringList all;
            for (int v = 0; v < presetcolumns::ListValues; ++v)
                all << QString::number(v);
            terms << QStringLiteral("p.%1 IN (%2)").arg(QLatin1String(c.name), all.join(QStringLiteral(", ")));
        }
        terms << QStringLiteral("p.%1 IN (%2)").arg(QLatin1String(column), in);
        return terms.join(QStringLiteral(" AND "));
    }

    // The numbers of the entries whose name contains text (or, with
    // byNumber, that text names); the program's own numbers, not the
    // user's text, so they go into the SQL as they are.
    static QString indices(const QStringList &names, const QString &text, bool byNumber)
    {
        QStringList found;
        bool isNumber = false;
        const int n = byNumber ? text.toInt(&isNumber) : -1;
        for (int i = 0; i < names.size(); ++i)
            if (isNumber ? i == n : names[i].contains(text, Qt::CaseInsensitive))
                found << QString::number(i);
        return found.join(QStringLiteral(", "));
    }

    std::optional<QString> fieldTerm(qsizetype keyEnd)
    {
        const QString key = text_.mid(pos_, keyEnd - pos_).toLower();
        pos_ = keyEnd;
        QString op(text_[pos_++]);
        if ((op == QLatin1String("<") || op == QLatin1String(">")) && at(pos_) == QLatin1Char('=')) {
            op += QLatin1Char('=');
            ++pos_;
        }
        const QString written = key + op;
        std::optional<QString> value;
        if (at(pos_) == QLatin1Char('"'))
            value = quoted();
        else if (!atEnd() && !text_[pos_].isSpace())
            value = bare();
        else
            return error(QCoreApplication::translate("LibraryQuery", "\"%1\" needs a value after it.").arg(written));
        if (!value)
            return std::nullopt;

        if (const presetcolumns::Column *column = presetcolumns::number(key))
            return numberTerm(column->name, written, op, *value);
        if (op != QLatin1String(":"))
            return error(
                QCoreApplication::translate("LibraryQuery", "\"%1\" takes \"%2:\", not \"%3\".").arg(key, key, op));
        const QString v = value->toLower();
        if (key == QLatin1String("model"))
            return listTerm("model", amplists::ampModels(), v,
                            QCoreApplication::translate("LibraryQuery", "amp model"));
        if (key == QLatin1String("cab") || key == QLatin1String("cabinet"))
            return listTerm("cabinet", amplists::cabinets(), v, QCoreApplication::translate("LibraryQuery", "cabinet"));
        if (key == QLatin1String("mod") || key == QLatin1String("modulation")) {
            if (v == QLatin1String("on") || v == QLatin1String("off"))
                return onOff("depth", v);
            return listTerm("modulation", amplists::modulationTypes(), v,
                            QCoreApplication::translate("LibraryQuery", "modulation"));
        }
        if (key == QLatin1String("tag"))
            return byHash(QStringLiteral("SELECT pt.hash FROM preset_tags pt JOIN tags t ON t.id = pt.tag "
                                         "WHERE t.folded = %1")
                              .arg(bind(presetcolumns::folded(value->trimmed()))));
        if (key == QLatin1String("is"))
            return isTerm(v);
        if (key == QLatin1String("in")) {
            if (v == QLatin1String("backups"))
                return ofFiles(QStringLiteral("backup = 1"));
            return QStringLiteral("f.folder IN (SELECT path FROM file_folders WHERE instr(folded, %1) > 0)")
                .arg(bind(presetcolumns::folded(*value)));
        }
        return error(QCoreApplication::translate("LibraryQuery",
                                                 "There is no field \"%1\". Fields: model, cab, mod, tag, is, in, %2.")
                         .arg(key, numberNames()));
    }

    static QString numberNames()
    {
        QStringList names;
        for (const presetcolumns::Column &c : presetcolumns::numbers())
            names << QLatin1String(c.name);
        return names.join(QStringLiteral(", "));
    }

    QString onOff(const char *column, const QString &v)
    {
        return QStringLiteral("p.%1 %2 0")
            .arg(QLatin1String(column), v == QLatin1String("on") ? QLatin1String(">") : QLatin1String("="));
    }

    std::optional<QString> numberTerm(const char *column, const QString &written, const QString &op,
                                      const QString &value)
    {
        const bool level = qstrcmp(column, "delay") == 0 || qstrcmp(column, "reverb") == 0;
        if (level && op == QLatin1String(":") &&
            (value.compare(QLatin1String("on"), Qt::CaseInsensitive) == 0 ||
             value.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0))
            return onOff(column, value.toLower());
        bool isNumber = false;
        const int n = value.toInt(&isNumber);
        if (!isNumber)
            return error(QCoreApplication::translate("LibraryQuery", "\"%1\" needs a number%2, not \"%3\".")
                             .arg(written,
                                  level && op == QLatin1String(":")
                                      ? QCoreApplication::translate("LibraryQuery", ", on or off")
                                      : QString(),
                                  value));
        const QString sqlOp = op == QLatin1String(":") ? QStringLiteral("=") : op;
        return QStringLiteral("p.%1 %2 %3").arg(QLatin1String(column), sqlOp, bind(n));
    }

    std::optional<QString> listTerm(const char *column, const QStringList &names, const QString &v, const QString &what)
    {
        const QString in = indices(names, v, true);
        if (in.isEmpty()) {
            result_.hint =
                QCoreApplication::translate("LibraryQuery", "No %1 is called anything like \"%2\".").arg(what, v);
            return QStringLiteral("0");
        }
        const QString condition = listCondition(column, in);
        narrow_ = QStringLiteral("f.id IN (SELECT file FROM presets p WHERE %1)").arg(condition);
        return condition;
    }

    // The presets whose hash `hashes` gives; the files they are in, through
    // the hashes' index, narrow where a search starts.
    QString byHash(const QString &hashes)
    {
        narrow_ = QStringLiteral("f.id IN (SELECT file FROM presets WHERE hash IN (%1))").arg(hashes);
        return QStringLiteral("p.hash IN (%1)").arg(hashes);
    }

    // Files few of which are so (unreadable, backups), each with an index
    // of its own the search can start from.
    QString ofFiles(const QString &condition)
    {
        narrow_ = QStringLiteral("f.id IN (SELECT id FROM files WHERE %1)").arg(condition);
        return QStringLiteral("f.") + condition;
    }

    std::optional<QString> isTerm(const QString &v)
    {
        if (v == QLatin1String("fav") || v == QLatin1String("favourite") || v == QLatin1String("favorite"))
            return byHash(QStringLiteral("SELECT hash FROM favourites"));
        if (v == QLatin1String("unreadable"))
            return ofFiles(QStringLiteral("kind = 0"));
        if (v == QLatin1String("group"))
            return QStringLiteral("f.kind = 2");
        if (v == QLatin1String("single"))
            return QStringLiteral("f.kind = 1");
        return error(
            QCoreApplication::translate("LibraryQuery", "\"is:\" takes fav, unreadable, group or single, not \"%1\".")
                .arg(v));
    }

    QString text_; // a copy: control characters become spaces
    bool wordIndex_;
    qsizetype pos_ = 0;
    // The current term's files, from an index, when it has a way to them.
    QString narrow_;
    CompiledQuery result_;
};

} // namespace

CompiledQuery LibraryQuery::compile(const QString &text, bool wordIndex)
{
    return Compiler(text, wordIndex).run();
}
