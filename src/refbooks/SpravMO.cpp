#include "SpravMO.h"

using namespace Qt::Literals::StringLiterals;

TSpravMO_Form::TSpravMO_Form(Database& db, QWidget* parent)
    : ClassifierList(db,
                     {"SpravMO_Form", u"Справочник муниципальных округов"_s,
                      u"Муниципальные округа:"_s, "SpravMO_ADOQ", "SpravMO_RxDBG",
                      u"SELECT smo.MOID, smo.MOName\n  FROM Sprav_MO smo\nORDER BY smo.MOID"_s,
                      u"MOID"_s, u"MOName"_s, true},
                     parent)
{}
