#pragma once

#include "ClassifierList.h"

/// The forms of ownership a payer's dwelling may have, for reference: read-only, in code
/// order.
class TSpravTypeOwn_Form : public ClassifierList
{
    Q_OBJECT

public:
    explicit TSpravTypeOwn_Form(Database& db, QWidget* parent = nullptr);
};
