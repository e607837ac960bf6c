// PayerRecord
