#pragma once

#include <QString>

class Database;

namespace RefBooks {

/// The book of kinship terms (Sprav_Relation): the terms a resident's relation to the payer
/// is chosen from. Residents store the term's text, not its key, so renaming or deleting a
/// term leaves their records as they are.
class RelationBook
{
public:
    /// A term may be at most this long once the blanks around it are removed.
    static constexpr int MaxNameLength = 30;

    /// What a save or delete did.
    struct Result
    {
        enum class Outcome
        {
            Done,    ///< written (or deleted)
            Refused, ///< a check stopped it; nothing was written
            Failed,  ///< the database refused the statement
        };
        Outcome outcome = Outcome::Done;
        QString message; ///< the operator's text; empty when done
        QString detail;  ///< the driver's message of a failure; empty otherwise

        bool done() const { return outcome == Outcome::Done; }
    };

    explicit RelationBook(Database& db);

    /// The list of terms in name order, key field RelationID.
    static QString listSql();

    /// Checks `name` and stores it without the blanks around it: a new term when
    /// `relationId` is 0, else the term with that key is renamed. Refused, with the first
    /// failing check's message, when the name is empty, longer than MaxNameLength or
    /// already in the book, also as the very term being renamed (a save of a term
    /// unchanged is refused). A rename of a key that is no longer in the book fails rather
    /// than report a save that did not happen.
    Result save(int relationId, const QString& name);

    /// Deletes the term with this key; a key not in the book is no failure.
    Result remove(int relationId);

    /// The question asked before `name` is deleted.
    static QString deleteQuestion(const QString& name);

private:
    /// The refusal of `trimmed`, or a failure to read the book; done when it may be saved.
    Result check(const QString& trimmed);

    Database& m_db;
};

} // namespace RefBooks
