-- Small classifiers of payer, charge and person fields.
-- Codes that the program gives a fixed meaning:
--   Sprav_TypeReg      1 = permanent registration (counted as permanently
--                        registered), 0 = not registered;
--   Sprav_RelationOwn  0 = no share in the property (the person editor then
--                        locks the share of the area at 0);
--   Sprav_TypeLock     0 = no locking device (no lock-device charge possible),
--                        other codes pick the variant of service 10;
--   Sprav_TypeStove    codes pick the variant of services 20, 27 and 154..158;
--                        the export requires a stove, so there is no code 0;
--   Sprav_TypeOccupancy  3 was added later: the import moves 4 to 5 and 3 to 4
--                        whenever it meets a 3, so files of the old numbering
--                        (3 = hostel, 4 = private house) land on 4 and 5;
--   Sprav_PrFactLive   1 = lives in the flat (the short layout of file III
--                        implies 1), 0 = does not.

INSERT INTO Sprav_Dimension (DimensionID, Dimension) VALUES
    (1, 'кв.м'),
    (2, 'куб.м'),
    (3, 'Гкал'),
    (4, 'кВт.ч'),
    (5, 'чел.'),
    (6, 'квартира'),
    (7, 'точка'),
    (8, 'ед.');

INSERT INTO Sprav_TypeNach (TypeNachID, TypeNachName) VALUES
    (1, 'Начисление по нормативу потребления'),
    (2, 'Начисление по показаниям индивидуального прибора учета'),
    (3, 'Начисление по показаниям общедомового прибора учета'),
    (4, 'Начисление по среднемесячному объему потребления'),
    (5, 'Начисление по площади жилого помещения'),
    (6, 'Фиксированная плата за жилое помещение'),
    (7, 'Перерасчет за прошлые периоды'),
    (8, 'Начисление на содержание общего имущества');

INSERT INTO Sprav_MO (MOID, MOName) VALUES
    (1, 'Центральный'),
    (2, 'Северный'),
    (3, 'Южный'),
    (4, 'Восточный'),
    (5, 'Западный'),
    (6, 'Северо-Восточный'),
    (7, 'Северо-Западный'),
    (8, 'Юго-Восточный'),
    (9, 'Юго-Западный'),
    (10, 'Заречный'),
    (11, 'Ленинский'),
    (12, 'Октябрьский'),
    (13, 'Заводской'),
    (14, 'Привокзальный');

INSERT INTO Sprav_TypeOwn (TypeOwnID, TypeOwnName) VALUES
    (1, 'Государственная'),
    (2, 'Муниципальная'),
    (3, 'Частная (приватизированная)'),
    (4, 'Частная (приобретенная по договору)'),
    (5, 'Жилищно-строительный кооператив'),
    (6, 'Ведомственная'),
    (7, 'Смешанная (коммунальная квартира)');

INSERT INTO Sprav_TypeOccupancy (TypeOccupancyID, TypeOccupancyName) VALUES
    (1, 'Отдельная квартира'),
    (2, 'Коммунальная квартира'),
    (3, 'Комната в отдельной квартире'),
    (4, 'Общежитие'),
    (5, 'Индивидуальный жилой дом');

INSERT INTO Sprav_TypeLock (TypeLockID, TypeLockName) VALUES
    (0, 'Нет'),
    (1, 'Домофон'),
    (2, 'Кодовый замок'),
    (3, 'Видеодомофон');

INSERT INTO Sprav_TypeStove (TypeStoveID, TypeStoveName) VALUES
    (1, 'Газовая'),
    (2, 'Электрическая'),
    (3, 'Газовая с газовым водонагревателем');

INSERT INTO Sprav_TypeReg (TypeRegID, TypeRegName) VALUES
    (0, 'Без регистрации'),
    (1, 'Постоянная регистрация по месту жительства'),
    (2, 'Временная регистрация по месту пребывания'),
    (3, 'Временная регистрация на период обучения'),
    (4, 'Временно выбывший с сохранением регистрации');

INSERT INTO Sprav_RelationOwn (RelationOwnID, RelationOwnName) VALUES
    (0, 'Не имеет доли в праве собственности'),
    (1, 'Единоличный собственник'),
    (2, 'Собственник доли (долевая собственность)'),
    (3, 'Участник совместной собственности'),
    (4, 'Наниматель по договору социального найма'),
    (5, 'Наниматель по договору коммерческого найма');

INSERT INTO Sprav_PrFactLive (PrFactLiveID, PrFactLiveName) VALUES
    (0, 'Не проживает'),
    (1, 'Проживает'),
    (2, 'Временно отсутствует');

INSERT INTO Sprav_Sex (SexNameShort, SexNameLong) VALUES
    ('М', 'Мужской'),
    ('Ж', 'Женский');

-- Kinship terms relative to the payer. "Другое" must stay: a person record
-- without a term is looked up under it.
INSERT INTO Sprav_Relation (RelationID, RelationName) VALUES
    (1, 'Сам'),
    (2, 'Жена'),
    (3, 'Муж'),
    (4, 'Сын'),
    (5, 'Дочь'),
    (6, 'Мать'),
    (7, 'Отец'),
    (8, 'Брат'),
    (9, 'Сестра'),
    (10, 'Внук'),
    (11, 'Внучка'),
    (12, 'Бабушка'),
    (13, 'Дедушка'),
    (14, 'Правнук'),
    (15, 'Правнучка'),
    (16, 'Зять'),
    (17, 'Невестка'),
    (18, 'Свекор'),
    (19, 'Свекровь'),
    (20, 'Тесть'),
    (21, 'Теща'),
    (22, 'Отчим'),
    (23, 'Мачеха'),
    (24, 'Пасынок'),
    (25, 'Падчерица'),
    (26, 'Дядя'),
    (27, 'Тетя'),
    (28, 'Племянник'),
    (29, 'Племянница'),
    (30, 'Двоюродный брат'),
    (31, 'Двоюродная сестра'),
    (32, 'Опекаемый'),
    (33, 'Опекаемая'),
    (34, 'Другое');
