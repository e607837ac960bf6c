#include "SpravTypeOccupancy.h"

using namespace Qt::Literals::StringLiterals;

TSpravTypeOccupancy_Form::TSpravTypeOccupancy_Form(Database& db, QWidget* parent)
    : ClassifierList(
          db,
          {"SpravTypeOccupancy_Form", u"Справочник типов заселения"_s, u"Типы заселения:"_s,
           "SpravTypeOccupancy_ADOQ", "SpravTypeOccupancy_DBG",
           u"SELECT sto.TypeOccupancyID, sto.TypeOccupancyName\n  FROM Sprav_TypeOccupancy sto\nORDER BY sto.TypeOccupancyID"_s,
           u"TypeOccupancyID"_s, u"TypeOccupancyName"_s, false},
          parent)
{}
