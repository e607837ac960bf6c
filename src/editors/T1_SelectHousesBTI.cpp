// T1_SelectHousesBTI
