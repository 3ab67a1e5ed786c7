BEGIN TRANSACTION;
CREATE TABLE SETTING_TABLE (CurrentCityIndex INT, CurrentCityLocationId TEXT, TemperatureUnit INT, LastRefreshedTime INT64, CurrentLocationAreaRefreshedTime INT64, IsFirstLaunch INT, AutoRefreshOn INT, AutoRefreshInterval INT, UseCurrentLocationOn INT, ShowCurrentCityAgreement INT, RefreshOnOpeningOn INT, RefreshOnOpeningOnAgreement INT, NotificationOn INT, NotificationTime INT64, NetworkPositionPopupAgreement INT, ShowNetworkPopup INT, ChinaDataGPSPerformPopupOn INT, AutoScrollOn INT, AutoScrollInterval INT, LastUpdateLanguageCode TEXT, CpType TEXT, DaemonType TEXT, IsNowRefreshing INT, IsSupportManualRefresh INT, RefreshingStartTime INT64);
INSERT INTO SETTING_TABLE VALUES(0,'LOC_A',1,1700000000,1700000000,0,1,3,1,1,1,1,1,28800,1,0,0,0,5,'en','0','0',0,1,0);
COMMIT;
