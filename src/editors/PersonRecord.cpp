// PersonRecord
