// T1_TotalSumContext
