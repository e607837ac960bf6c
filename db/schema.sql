-- Orbelon working database: tables, keys and indexes.
--
-- Every table is STRICT, so a column holds only its declared type and the
-- CHECK constraints below refuse whatever does not fit; the program relies on
-- these refusals (an over-long imported field becomes "Ошибка записи строки").
-- How the column types are mapped:
--   integer        INTEGER, CHECK 32-bit signed range
--   small integer  INTEGER, CHECK 16-bit signed range
--   decimal(p,s)   INTEGER counting units of the last decimal place (kopecks for
--                  s = 2, thousandths for s = 3, tenths for s = 1), CHECK
--                  abs(value) < 10^p; the store converts at its boundary, so no
--                  binary floating point is ever stored and sums compare exactly
--   date           TEXT 'YYYY-MM-DD', no time of day; a month is its first day.
--                  The check applies a modifier because a bare date() hands a
--                  day such as 30 February back unchanged, and compares with IS
--                  so that a text date() cannot read (NULL) fails the check
--   text(n)        TEXT, CHECK length <= n characters; names of open width: 240
--   counter        INTEGER PRIMARY KEY AUTOINCREMENT
-- Every CHECK lets NULL through: a column is NOT NULL only where a key needs it.
-- Keys that the program assigns (record numbers, classifier codes) are in
-- WITHOUT ROWID tables, so a NULL key is refused instead of being replaced by
-- a number of the database's choosing; only the counters are assigned here.
-- References between tables are deliberately not declared: a working row may
-- carry a code its classifier lacks, and lists join classifiers outer.
-- No BEGIN/COMMIT here: the db tool runs this file and the seed files inside
-- one transaction of its own.


-- ---------------------------------------------------------------------------
-- Working tables: the statement being prepared (files I, II and III).
-- Emptied at start-up and at exit; keys are assigned by the program.
-- ---------------------------------------------------------------------------

-- Payers (file I), one row per personal account.
CREATE TABLE SvedPotreb_T1 (
    T1_ID             INTEGER NOT NULL CHECK (T1_ID BETWEEN -2147483648 AND 2147483647),
    NumT1             INTEGER CHECK (NumT1 BETWEEN -2147483648 AND 2147483647),
    DezID             INTEGER CHECK (DezID BETWEEN -2147483648 AND 2147483647),
    DezVladID         INTEGER CHECK (DezVladID BETWEEN -2147483648 AND 2147483647),
    MO                INTEGER CHECK (MO BETWEEN -32768 AND 32767),
    Name1             TEXT CHECK (length(Name1) <= 35),
    Name2             TEXT CHECK (length(Name2) <= 20),
    Name3             TEXT CHECK (length(Name3) <= 20),
    StreetID_BTI      INTEGER CHECK (StreetID_BTI BETWEEN -2147483648 AND 2147483647),
    HouseNum          TEXT CHECK (length(HouseNum) <= 8),
    KorpNum           TEXT CHECK (length(KorpNum) <= 5),
    StroenNum         TEXT CHECK (length(StroenNum) <= 6),
    FlatNum           TEXT CHECK (length(FlatNum) <= 10),
    HouseID_BTI       INTEGER CHECK (HouseID_BTI BETWEEN -2147483648 AND 2147483647),
    FlatID_BTI        INTEGER CHECK (FlatID_BTI BETWEEN -2147483648 AND 2147483647),
    ENumlsID          INTEGER CHECK (abs(ENumlsID) < 10000000000),        -- decimal(10,0), whole number
    Numls             TEXT CHECK (length(Numls) <= 20),
    Mes               TEXT CHECK (Mes IS NULL OR (length(Mes) = 10 AND date(Mes, '+0 days') IS Mes)),
    TypeOwnID         INTEGER CHECK (TypeOwnID BETWEEN -32768 AND 32767),
    TypeOccupancyID   INTEGER CHECK (TypeOccupancyID BETWEEN -32768 AND 32767),
    PplCntReg         INTEGER CHECK (PplCntReg BETWEEN -32768 AND 32767),
    SquareTotal       INTEGER CHECK (abs(SquareTotal) < 1000000000),      -- decimal(9,2), hundredths of m2
    SquareLive        INTEGER CHECK (abs(SquareLive) < 1000000000),       -- decimal(9,2), hundredths of m2
    TypeLockID        INTEGER CHECK (TypeLockID BETWEEN -32768 AND 32767),
    TypeStoveID       INTEGER CHECK (TypeStoveID BETWEEN -32768 AND 32767),
    SummaFull         INTEGER CHECK (abs(SummaFull) < 1000000000),        -- decimal(9,2), kopecks
    SummaWOBenefit    INTEGER CHECK (abs(SummaWOBenefit) < 1000000000),   -- decimal(9,2), kopecks
    SummaFullReg      INTEGER CHECK (abs(SummaFullReg) < 1000000000),     -- decimal(9,2), kopecks
    SummaWOBenefitReg INTEGER CHECK (abs(SummaWOBenefitReg) < 1000000000),-- decimal(9,2), kopecks
    ColMesDebts       INTEGER CHECK (abs(ColMesDebts) < 1000),            -- decimal(3,1), tenths of a month
    DateEdit          TEXT CHECK (DateEdit IS NULL OR (length(DateEdit) = 10 AND date(DateEdit, '+0 days') IS DateEdit)),
    PRIMARY KEY (T1_ID)
) STRICT, WITHOUT ROWID;

-- List order, "largest NumT1 plus 1" for a new record.
CREATE INDEX SvedPotreb_T1_NumT1 ON SvedPotreb_T1 (NumT1);
-- Duplicate check of the payer editor and the import's joins of charges and
-- persons to their payer by (ENumlsID, Numls, Mes, DezVladID).
CREATE INDEX SvedPotreb_T1_Payer ON SvedPotreb_T1 (ENumlsID, Numls);
-- Receipts and acts select the flats of one street and house.
CREATE INDEX SvedPotreb_T1_Street ON SvedPotreb_T1 (StreetID_BTI);


-- Charges (file II), one row per service charged to a payer.
CREATE TABLE SvedNach_T2 (
    T1_ID                    INTEGER NOT NULL CHECK (T1_ID BETWEEN -2147483648 AND 2147483647),
    T2_ID                    INTEGER NOT NULL CHECK (T2_ID BETWEEN -2147483648 AND 2147483647),
    NumT2                    INTEGER CHECK (NumT2 BETWEEN -2147483648 AND 2147483647),
    ServiceID                INTEGER CHECK (ServiceID BETWEEN -2147483648 AND 2147483647),
    PostID                   INTEGER CHECK (PostID BETWEEN -2147483648 AND 2147483647),
    Volume                   INTEGER CHECK (abs(Volume) < 1000000000),                    -- decimal(9,3), thousandths
    Tariff                   INTEGER CHECK (abs(Tariff) < 1000000000),                    -- decimal(9,2), kopecks
    SummaService             INTEGER CHECK (abs(SummaService) < 1000000000),              -- decimal(9,2), kopecks
    SummaServiceWOBenefit    INTEGER CHECK (abs(SummaServiceWOBenefit) < 1000000000),     -- decimal(9,2), kopecks
    SummaServiceReg          INTEGER CHECK (abs(SummaServiceReg) < 1000000000),           -- decimal(9,2), kopecks
    SummaServiceWOBenefitReg INTEGER CHECK (abs(SummaServiceWOBenefitReg) < 1000000000),  -- decimal(9,2), kopecks
    TypeNachID               INTEGER CHECK (TypeNachID BETWEEN -32768 AND 32767),
    PRIMARY KEY (T1_ID, T2_ID)
) STRICT, WITHOUT ROWID;

-- List order, "largest NumT2 plus 1" for a new charge.
CREATE INDEX SvedNach_T2_NumT2 ON SvedNach_T2 (NumT2);


-- Co-resident persons (file III), one row per person counted in the charges.
CREATE TABLE SvedPotrebRelations_T3 (
    T1_ID         INTEGER NOT NULL CHECK (T1_ID BETWEEN -2147483648 AND 2147483647),
    T3_ID         INTEGER NOT NULL CHECK (T3_ID BETWEEN -2147483648 AND 2147483647),
    NumT3         INTEGER CHECK (NumT3 BETWEEN -2147483648 AND 2147483647),
    NumberPeople  INTEGER CHECK (NumberPeople BETWEEN -32768 AND 32767),
    Name1         TEXT CHECK (length(Name1) <= 35),
    Name2         TEXT CHECK (length(Name2) <= 20),
    Name3         TEXT CHECK (length(Name3) <= 20),
    SNILS         TEXT CHECK (length(SNILS) <= 14),
    BirthDate     TEXT CHECK (BirthDate IS NULL OR (length(BirthDate) = 10 AND date(BirthDate, '+0 days') IS BirthDate)),
    Sex           TEXT CHECK (length(Sex) <= 1),
    Relation      TEXT CHECK (length(Relation) <= 30),
    RelationOwnID INTEGER CHECK (RelationOwnID BETWEEN -32768 AND 32767),
    SquareShare   INTEGER CHECK (abs(SquareShare) < 1000000000),          -- decimal(9,2), hundredths of m2
    TypeRegID     INTEGER CHECK (TypeRegID BETWEEN -32768 AND 32767),
    DateRegStart  TEXT CHECK (DateRegStart IS NULL OR (length(DateRegStart) = 10 AND date(DateRegStart, '+0 days') IS DateRegStart)),
    DateRegEnd    TEXT CHECK (DateRegEnd IS NULL OR (length(DateRegEnd) = 10 AND date(DateRegEnd, '+0 days') IS DateRegEnd)),
    PrFactLiveID  INTEGER CHECK (PrFactLiveID BETWEEN -32768 AND 32767),
    PRIMARY KEY (T1_ID, T3_ID)
) STRICT, WITHOUT ROWID;

-- List order, "largest NumT3 plus 1" for a new person.
CREATE INDEX SvedPotrebRelations_T3_NumT3 ON SvedPotrebRelations_T3 (NumT3);


-- ---------------------------------------------------------------------------
-- Scratch tables of the import. They hold the lines of files I, II and III as
-- parsed, with the same types and widths as the working tables, so that a
-- field too long for its column is refused here and reported against its line.
-- Emptied before and after every import; no keys.
-- ---------------------------------------------------------------------------

CREATE TABLE TMP_T1 (
    DateEdit          TEXT CHECK (DateEdit IS NULL OR (length(DateEdit) = 10 AND date(DateEdit, '+0 days') IS DateEdit)),
    DezID             INTEGER CHECK (DezID BETWEEN -2147483648 AND 2147483647),
    DezVladID         INTEGER CHECK (DezVladID BETWEEN -2147483648 AND 2147483647),
    MO                INTEGER CHECK (MO BETWEEN -32768 AND 32767),
    Name1             TEXT CHECK (length(Name1) <= 35),
    Name2             TEXT CHECK (length(Name2) <= 20),
    Name3             TEXT CHECK (length(Name3) <= 20),
    StreetID_BTI      INTEGER CHECK (StreetID_BTI BETWEEN -2147483648 AND 2147483647),
    HouseNum          TEXT CHECK (length(HouseNum) <= 8),
    StroenNum         TEXT CHECK (length(StroenNum) <= 6),
    KorpNum           TEXT CHECK (length(KorpNum) <= 5),
    FlatNum           TEXT CHECK (length(FlatNum) <= 10),
    ENumlsID          INTEGER CHECK (abs(ENumlsID) < 10000000000),        -- decimal(10,0), whole number
    Numls             TEXT CHECK (length(Numls) <= 20),
    Mes               TEXT CHECK (Mes IS NULL OR (length(Mes) = 10 AND date(Mes, '+0 days') IS Mes)),
    TypeOwnID         INTEGER CHECK (TypeOwnID BETWEEN -32768 AND 32767),
    TypeOccupancyID   INTEGER CHECK (TypeOccupancyID BETWEEN -32768 AND 32767),
    PplCntReg         INTEGER CHECK (PplCntReg BETWEEN -32768 AND 32767),
    SquareTotal       INTEGER CHECK (abs(SquareTotal) < 1000000000),      -- decimal(9,2), hundredths of m2
    SquareLive        INTEGER CHECK (abs(SquareLive) < 1000000000),       -- decimal(9,2), hundredths of m2
    TypeLockID        INTEGER CHECK (TypeLockID BETWEEN -32768 AND 32767),
    TypeStoveID       INTEGER CHECK (TypeStoveID BETWEEN -32768 AND 32767),
    SummaFull         INTEGER CHECK (abs(SummaFull) < 1000000000),        -- decimal(9,2), kopecks
    SummaWOBenefit    INTEGER CHECK (abs(SummaWOBenefit) < 1000000000),   -- decimal(9,2), kopecks
    SummaFullReg      INTEGER CHECK (abs(SummaFullReg) < 1000000000),     -- decimal(9,2), kopecks
    SummaWOBenefitReg INTEGER CHECK (abs(SummaWOBenefitReg) < 1000000000),-- decimal(9,2), kopecks
    ColMesDebts       INTEGER CHECK (abs(ColMesDebts) < 1000),            -- decimal(3,1), tenths of a month
    HouseID_BTI       INTEGER CHECK (HouseID_BTI BETWEEN -2147483648 AND 2147483647),
    FlatID_BTI        INTEGER CHECK (FlatID_BTI BETWEEN -2147483648 AND 2147483647),
    NumT1             INTEGER CHECK (NumT1 BETWEEN -2147483648 AND 2147483647)
) STRICT;

-- A charge line names its payer by (ENumlsID, Numls, Mes, DezVladID).
CREATE TABLE TMP_T2 (
    DateEdit                 TEXT CHECK (DateEdit IS NULL OR (length(DateEdit) = 10 AND date(DateEdit, '+0 days') IS DateEdit)),
    DezVladID                INTEGER CHECK (DezVladID BETWEEN -2147483648 AND 2147483647),
    ENumlsID                 INTEGER CHECK (abs(ENumlsID) < 10000000000),                 -- decimal(10,0), whole number
    Numls                    TEXT CHECK (length(Numls) <= 20),
    Mes                      TEXT CHECK (Mes IS NULL OR (length(Mes) = 10 AND date(Mes, '+0 days') IS Mes)),
    ServiceID                INTEGER CHECK (ServiceID BETWEEN -2147483648 AND 2147483647),
    PostID                   INTEGER CHECK (PostID BETWEEN -2147483648 AND 2147483647),
    Volume                   INTEGER CHECK (abs(Volume) < 1000000000),                    -- decimal(9,3), thousandths
    Tariff                   INTEGER CHECK (abs(Tariff) < 1000000000),                    -- decimal(9,2), kopecks
    SummaService             INTEGER CHECK (abs(SummaService) < 1000000000),              -- decimal(9,2), kopecks
    SummaServiceWOBenefit    INTEGER CHECK (abs(SummaServiceWOBenefit) < 1000000000),     -- decimal(9,2), kopecks
    SummaServiceReg          INTEGER CHECK (abs(SummaServiceReg) < 1000000000),           -- decimal(9,2), kopecks
    SummaServiceWOBenefitReg INTEGER CHECK (abs(SummaServiceWOBenefitReg) < 1000000000),  -- decimal(9,2), kopecks
    TypeNachID               INTEGER CHECK (TypeNachID BETWEEN -32768 AND 32767),
    NumT2                    INTEGER CHECK (NumT2 BETWEEN -2147483648 AND 2147483647)
) STRICT;

-- A person line names its payer as a charge line does.
CREATE TABLE TMP_T3 (
    DateEdit      TEXT CHECK (DateEdit IS NULL OR (length(DateEdit) = 10 AND date(DateEdit, '+0 days') IS DateEdit)),
    DezVladID     INTEGER CHECK (DezVladID BETWEEN -2147483648 AND 2147483647),
    ENumlsID      INTEGER CHECK (abs(ENumlsID) < 10000000000),            -- decimal(10,0), whole number
    Numls         TEXT CHECK (length(Numls) <= 20),
    Mes           TEXT CHECK (Mes IS NULL OR (length(Mes) = 10 AND date(Mes, '+0 days') IS Mes)),
    NumberPeople  INTEGER CHECK (NumberPeople BETWEEN -32768 AND 32767),
    Name1         TEXT CHECK (length(Name1) <= 35),
    Name2         TEXT CHECK (length(Name2) <= 20),
    Name3         TEXT CHECK (length(Name3) <= 20),
    BirthDate     TEXT CHECK (BirthDate IS NULL OR (length(BirthDate) = 10 AND date(BirthDate, '+0 days') IS BirthDate)),
    Sex           TEXT CHECK (length(Sex) <= 1),
    Relation      TEXT CHECK (length(Relation) <= 30),
    RelationOwnID INTEGER CHECK (RelationOwnID BETWEEN -32768 AND 32767),
    SquareShare   INTEGER CHECK (abs(SquareShare) < 1000000000),          -- decimal(9,2), hundredths of m2
    TypeRegID     INTEGER CHECK (TypeRegID BETWEEN -32768 AND 32767),
    DateRegStart  TEXT CHECK (DateRegStart IS NULL OR (length(DateRegStart) = 10 AND date(DateRegStart, '+0 days') IS DateRegStart)),
    DateRegEnd    TEXT CHECK (DateRegEnd IS NULL OR (length(DateRegEnd) = 10 AND date(DateRegEnd, '+0 days') IS DateRegEnd)),
    PrFactLiveID  INTEGER CHECK (PrFactLiveID BETWEEN -32768 AND 32767),
    SNILS         TEXT CHECK (length(SNILS) <= 14),
    NumT3         INTEGER CHECK (NumT3 BETWEEN -2147483648 AND 2147483647)
) STRICT;

-- Number of persons per payer (at least 1), to set PplCntReg after an import.
CREATE TABLE TMP_T1Count (
    T1_ID INTEGER CHECK (T1_ID BETWEEN -2147483648 AND 2147483647),
    CNT   INTEGER CHECK (CNT BETWEEN -2147483648 AND 2147483647)
) STRICT;


-- ---------------------------------------------------------------------------
-- Reference books. They persist from run to run; organisations, the street
-- and service marks, tariffs and BTI houses are also saved to and restored
-- from the user data file.
-- ---------------------------------------------------------------------------

-- Organisations (housing-stock owners) with their accountant. The code is
-- typed as at most 5 digits; the primary key is what refuses a second
-- organisation with the same code, and the editor reports that refusal.
CREATE TABLE Sprav_Dez (
    DezID   INTEGER NOT NULL CHECK (DezID BETWEEN -99999 AND 99999),
    DezName TEXT CHECK (length(DezName) <= 240),
    BName1  TEXT CHECK (length(BName1) <= 240),
    BName2  TEXT CHECK (length(BName2) <= 240),
    BName3  TEXT CHECK (length(BName3) <= 240),
    PRIMARY KEY (DezID)
) STRICT, WITHOUT ROWID;

-- Suppliers of services; delivered with the database, only read.
CREATE TABLE Sprav_Post (
    PostID   INTEGER NOT NULL CHECK (PostID BETWEEN -99999 AND 99999),
    PostName TEXT CHECK (length(PostName) <= 240),
    PRIMARY KEY (PostID)
) STRICT, WITHOUT ROWID;

-- Service catalogue: one row per (service, variant). Variant 0 is a service
-- without variants; code 10 has one variant per lock type above 0, codes 20,
-- 27 and 154-158 one per stove type. The program only switches Opt.
CREATE TABLE Sprav_Services (
    ServiceID       INTEGER CHECK (ServiceID BETWEEN -32768 AND 32767),
    ServiceWideID   INTEGER CHECK (ServiceWideID BETWEEN -32768 AND 32767),
    ServiceTotalID  INTEGER PRIMARY KEY AUTOINCREMENT,
    ServiceName     TEXT CHECK (length(ServiceName) <= 240),
    ServiceWideName TEXT CHECK (length(ServiceWideName) <= 100),
    DimensionID     INTEGER CHECK (DimensionID BETWEEN -2147483648 AND 2147483647),
    TypeNachID      INTEGER CHECK (TypeNachID BETWEEN -32768 AND 32767),
    Opt             INTEGER CHECK (Opt BETWEEN -32768 AND 32767)
) STRICT;

-- A charge finds its catalogue row by (ServiceID, ServiceWideID); two rows
-- for one pair would give a charge two tariffs. Also serves every lookup and
-- update by ServiceID alone.
CREATE UNIQUE INDEX Sprav_Services_Variant ON Sprav_Services (ServiceID, ServiceWideID);

-- Units of measure of services.
CREATE TABLE Sprav_Dimension (
    DimensionID INTEGER NOT NULL CHECK (DimensionID BETWEEN -2147483648 AND 2147483647),
    Dimension   TEXT CHECK (length(Dimension) <= 240),
    PRIMARY KEY (DimensionID)
) STRICT, WITHOUT ROWID;

-- Kinds of charge.
CREATE TABLE Sprav_TypeNach (
    TypeNachID   INTEGER NOT NULL CHECK (TypeNachID BETWEEN -32768 AND 32767),
    TypeNachName TEXT CHECK (length(TypeNachName) <= 100),
    PRIMARY KEY (TypeNachID)
) STRICT, WITHOUT ROWID;

-- Tariffs of service variants over chained periods: DateEnd is the day before
-- the next period's DateStart, NULL for the latest. No key: the editor
-- rewrites a variant's whole set of periods, and two periods may share a
-- start after an edit (the lower one then never answers a lookup).
CREATE TABLE TariffBank (
    ServiceTotalID INTEGER CHECK (ServiceTotalID BETWEEN -2147483648 AND 2147483647),
    SummaT         INTEGER CHECK (abs(SummaT) < 100000000),               -- decimal(8,2), kopecks
    DateStart      TEXT CHECK (DateStart IS NULL OR (length(DateStart) = 10 AND date(DateStart, '+0 days') IS DateStart)),
    DateEnd        TEXT CHECK (DateEnd IS NULL OR (length(DateEnd) = 10 AND date(DateEnd, '+0 days') IS DateEnd)),
    DateEdit       TEXT CHECK (DateEdit IS NULL OR (length(DateEdit) = 10 AND date(DateEdit, '+0 days') IS DateEdit))
) STRICT;

-- The tariff in force: one variant, DateStart <= the month's first day.
CREATE INDEX TariffBank_Period ON TariffBank (ServiceTotalID, DateStart);

-- Streets with their BTI code (0 or NULL: not matched yet). The program only
-- switches Opt.
CREATE TABLE Sprav_Streets (
    StreetID     INTEGER NOT NULL CHECK (StreetID BETWEEN -2147483648 AND 2147483647),
    StreetID_BTI INTEGER CHECK (StreetID_BTI BETWEEN -999999999 AND 999999999),
    StreetName   TEXT CHECK (length(StreetName) <= 240),
    Opt          INTEGER CHECK (Opt BETWEEN -32768 AND 32767),
    PRIMARY KEY (StreetID)
) STRICT, WITHOUT ROWID;

-- Payers, houses and lists join streets by the BTI code.
CREATE INDEX Sprav_Streets_BTI ON Sprav_Streets (StreetID_BTI);
-- A BTI code names one street: a second street with the same code would
-- repeat every payer row of the payer list, which joins on it.
CREATE UNIQUE INDEX Sprav_Streets_BTI_Unique ON Sprav_Streets (StreetID_BTI)
    WHERE StreetID_BTI <> 0;

-- Houses of the served streets with their BTI house code, kept by the
-- operator. House, block and structure numbers are trimmed text, '' when blank.
CREATE TABLE Sprav_HousesBTI (
    ID           INTEGER PRIMARY KEY AUTOINCREMENT,
    StreetID     INTEGER CHECK (StreetID BETWEEN -2147483648 AND 2147483647),
    StreetID_BTI INTEGER CHECK (StreetID_BTI BETWEEN -2147483648 AND 2147483647),
    HouseNum     TEXT CHECK (length(HouseNum) <= 8),
    KorpNum      TEXT CHECK (length(KorpNum) <= 5),
    StroenNum    TEXT CHECK (length(StroenNum) <= 6),
    HouseID_BTI  INTEGER CHECK (HouseID_BTI BETWEEN -9999999 AND 9999999)
) STRICT;

-- One address, one house. The bulk fill of payers' house codes matches a
-- payer to a house by street and the three numbers (NULL read as ''); two
-- houses at one address would make that fill pick either code. The editor
-- relies on this refusal ("адрес ... уже существуют"), and a second restore
-- of the same user data file skips the houses it already brought.
-- Also serves the house lists of one street.
CREATE UNIQUE INDEX Sprav_HousesBTI_Address ON Sprav_HousesBTI
    (StreetID_BTI, ifnull(HouseNum, ''), ifnull(KorpNum, ''), ifnull(StroenNum, ''));
-- One BTI code, one house ("... или код БТИ уже существуют").
CREATE UNIQUE INDEX Sprav_HousesBTI_Code ON Sprav_HousesBTI (HouseID_BTI);

-- Municipal districts.
CREATE TABLE Sprav_MO (
    MOID   INTEGER NOT NULL CHECK (MOID BETWEEN -32768 AND 32767),
    MOName TEXT CHECK (length(MOName) <= 240),
    PRIMARY KEY (MOID)
) STRICT, WITHOUT ROWID;

-- Forms of ownership.
CREATE TABLE Sprav_TypeOwn (
    TypeOwnID   INTEGER NOT NULL CHECK (TypeOwnID BETWEEN -32768 AND 32767),
    TypeOwnName TEXT CHECK (length(TypeOwnName) <= 240),
    PRIMARY KEY (TypeOwnID)
) STRICT, WITHOUT ROWID;

-- Types of occupancy. The import shifts 4 to 5 and 3 to 4 whenever code 3
-- occurs, for files written before code 3 was added.
CREATE TABLE Sprav_TypeOccupancy (
    TypeOccupancyID   INTEGER NOT NULL CHECK (TypeOccupancyID BETWEEN -32768 AND 32767),
    TypeOccupancyName TEXT CHECK (length(TypeOccupancyName) <= 240),
    PRIMARY KEY (TypeOccupancyID)
) STRICT, WITHOUT ROWID;

-- Types of locking device; 0 = none.
CREATE TABLE Sprav_TypeLock (
    TypeLockID   INTEGER NOT NULL CHECK (TypeLockID BETWEEN -32768 AND 32767),
    TypeLockName TEXT CHECK (length(TypeLockName) <= 100),
    PRIMARY KEY (TypeLockID)
) STRICT, WITHOUT ROWID;

-- Types of stove.
CREATE TABLE Sprav_TypeStove (
    TypeStoveID   INTEGER NOT NULL CHECK (TypeStoveID BETWEEN -32768 AND 32767),
    TypeStoveName TEXT CHECK (length(TypeStoveName) <= 50),
    PRIMARY KEY (TypeStoveID)
) STRICT, WITHOUT ROWID;

-- Kinship terms relative to the payer. Persons store the term's text, not its
-- key, and the person editor picks the term by name, so a name must occur
-- once; the editor checks first and says so itself, this is the backstop for
-- the main window's "add the missing term" path.
CREATE TABLE Sprav_Relation (
    RelationID   INTEGER PRIMARY KEY AUTOINCREMENT,
    RelationName TEXT UNIQUE CHECK (length(RelationName) <= 30)
) STRICT;

-- Relations to the property; 0 = no share.
CREATE TABLE Sprav_RelationOwn (
    RelationOwnID   INTEGER NOT NULL CHECK (RelationOwnID BETWEEN -32768 AND 32767),
    RelationOwnName TEXT CHECK (length(RelationOwnName) <= 100),
    PRIMARY KEY (RelationOwnID)
) STRICT, WITHOUT ROWID;

-- Kinds of registration; 1 = permanent (counted as permanently registered).
CREATE TABLE Sprav_TypeReg (
    TypeRegID   INTEGER NOT NULL CHECK (TypeRegID BETWEEN -32768 AND 32767),
    TypeRegName TEXT CHECK (length(TypeRegName) <= 100),
    PRIMARY KEY (TypeRegID)
) STRICT, WITHOUT ROWID;

-- Whether a person actually lives in the flat.
CREATE TABLE Sprav_PrFactLive (
    PrFactLiveID   INTEGER NOT NULL CHECK (PrFactLiveID BETWEEN -32768 AND 32767),
    PrFactLiveName TEXT CHECK (length(PrFactLiveName) <= 20),
    PRIMARY KEY (PrFactLiveID)
) STRICT, WITHOUT ROWID;

-- Sexes; person records store the one-letter form.
CREATE TABLE Sprav_Sex (
    SexNameShort TEXT NOT NULL CHECK (length(SexNameShort) <= 1),
    SexNameLong  TEXT CHECK (length(SexNameLong) <= 240),
    PRIMARY KEY (SexNameShort)
) STRICT, WITHOUT ROWID;
