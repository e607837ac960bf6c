#include "SpravTypeOwn.h"

using namespace Qt::Literals::StringLiterals;

TSpravTypeOwn_Form::TSpravTypeOwn_Form(Database& db, QWidget* parent)
    : ClassifierList(
          db,
          {"SpravTypeOwn_Form", u"Справочник форм собственности"_s, u"Формы собственности:"_s,
           "SpravTypeOwn_ADOQ", "SpravTypeOwn_DBG",
           u"SELECT sto.TypeOwnID, sto.TypeOwnName\n  FROM Sprav_TypeOwn sto\nORDER BY sto.TypeOwnID"_s,
           u"TypeOwnID"_s, u"TypeOwnName"_s, false},
          parent)
{}
