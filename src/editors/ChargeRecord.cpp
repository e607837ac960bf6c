// ChargeRecord
