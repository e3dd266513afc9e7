// The camera SDK's 211 entry points, in the order of the binding's table.
//
// ECOCAM_SDK_ENTRY_POINTS(X, S) expands X (or S) once per entry point:
//   X(row, result type, name, (parameters), (argument names), fallback)
// Row is the entry point's index in the binding's table. The fallback is what
// the binding's forwarding function returns while the SDK is not loaded; -2
// marks an SDK result code. S marks the five rows whose forwarding function
// does more than forward (loading, version check, unloading, and the two
// lookup-table-mode aliases); pass the same macro twice when that does not
// matter.
//
// Both the binding (src/sdk) and the simulated SDK (simsdk/) are generated
// from this one list, so the two can never disagree on a signature.
#pragma once

#include "sdk/sdk_types.h"

// clang-format off
#define ECOCAM_SDK_ENTRY_POINTS(X, S) \
  /* version check */ \
  S(0, int, isVersionCompliantDLL, (SdkVersion* dllVersion, const SdkVersion* expectedVersion), (dllVersion, expectedVersion), -2) \
  /* camera container */ \
  S(1, CameraContainerHandle, CameraContainer_create, (int containerType), (containerType), -1) \
  S(2, int, CameraContainer_delete, (CameraContainerHandle container), (container), -2) \
  X(3, int, CameraContainer_discovery, (CameraContainerHandle container), (container), -2) \
  X(4, int, CameraContainer_getNumberOfCameras, (CameraContainerHandle container), (container), -2) \
  X(5, CameraHandle, CameraContainer_getCamera, (CameraContainerHandle container, int cameraIndex), (container, cameraIndex), -1) \
  X(6, CameraHandle, CameraContainer_findCamera, (CameraContainerHandle container, const char* cameraName), (container, cameraName), -1) \
  /* camera connection and identity */ \
  X(7, int, Camera_openConnection, (CameraHandle camera, float timeout), (camera, timeout), -2) \
  X(8, int, Camera_closeConnection, (CameraHandle camera), (camera), -2) \
  X(9, int, Camera_setIPAddress, (CameraHandle camera, unsigned int ipAddress, unsigned int netMask), (camera, ipAddress, netMask), -2) \
  X(10, int, Camera_forceValidNetworkSettings, (CameraHandle camera, unsigned int* ipAddress, unsigned int* subnetMask), (camera, ipAddress, subnetMask), -2) \
  X(11, int, Camera_restartIPConfiguration, (CameraHandle camera), (camera), -2) \
  X(12, const char*, Camera_getManufacturerName, (CameraHandle camera), (camera), "") \
  X(13, const char*, Camera_getModelName, (CameraHandle camera), (camera), "") \
  X(14, const char*, Camera_getDeviceVersion, (CameraHandle camera), (camera), "") \
  X(15, const char*, Camera_getManufacturerSpecificInformation, (CameraHandle camera), (camera), "") \
  X(16, const char*, Camera_getSerialNumber, (CameraHandle camera), (camera), "") \
  X(17, int, Camera_setUserDefinedName, (CameraHandle camera, const char* userDefinedName), (camera, userDefinedName), -2) \
  X(18, const char*, Camera_getUserDefinedName, (CameraHandle camera), (camera), "") \
  X(19, const char*, Camera_getMacAddress, (CameraHandle camera), (camera), "") \
  X(20, const char*, Camera_getIPAddress, (CameraHandle camera), (camera), "") \
  X(21, const char*, Camera_getSubnetMask, (CameraHandle camera), (camera), "") \
  X(22, int, Camera_getPixelClock, (CameraHandle camera, int* pixelClock), (camera, pixelClock), -2) \
  X(23, bool, Camera_isCameraFeature, (CameraHandle camera, int feature), (camera, feature), false) \
  X(24, int, Camera_readXMLFile, (CameraHandle camera, const char** xmlData, int* xmlLength), (camera, xmlData, xmlLength), -2) \
  /* streaming channel */ \
  X(25, int, StreamingChannel_create, (StreamingChannelHandle* channel, CameraContainerHandle container, CameraHandle camera, int bufferCount, StreamCallback callback, void* context), (channel, container, camera, bufferCount, callback, context), -2) \
  X(26, int, StreamingChannel_createMultiStream, (StreamingChannelHandle* channel, CameraContainerHandle container, CameraHandle camera, int bufferCount, StreamCallback callback, void* context, int streamIndex), (channel, container, camera, bufferCount, callback, context, streamIndex), -2) \
  X(27, int, StreamingChannel_delete, (StreamingChannelHandle channel), (channel), -2) \
  X(28, int, StreamingChannel_setChannelTimeout, (StreamingChannelHandle channel, float timeout), (channel, timeout), -2) \
  X(29, int, StreamingChannel_getChannelTimeout, (StreamingChannelHandle channel, float* timeout), (channel, timeout), -2) \
  X(30, int, StreamingChannel_setReadoutTransfer, (StreamingChannelHandle channel, bool readoutTransfer), (channel, readoutTransfer), -2) \
  X(31, int, StreamingChannel_getReadoutTransfer, (StreamingChannelHandle channel, bool* readoutTransfer), (channel, readoutTransfer), -2) \
  X(32, int, StreamingChannel_getFrameLoss, (StreamingChannelHandle channel, int* frameLoss), (channel, frameLoss), -2) \
  X(33, int, StreamingChannel_getActualFrameRate, (StreamingChannelHandle channel, float* frameRate), (channel, frameRate), -2) \
  X(34, int, StreamingChannel_getActualDataRate, (StreamingChannelHandle channel, float* dataRate), (channel, dataRate), -2) \
  X(35, int, StreamingChannel_getPeakDataRate, (StreamingChannelHandle channel, float* dataRate), (channel, dataRate), -2) \
  X(36, int, StreamingChannel_getPixelType, (StreamingChannelHandle channel, int* pixelType), (channel, pixelType), -2) \
  X(37, int, StreamingChannel_getBufferData, (StreamingChannelHandle channel, unsigned int timeoutMs, unsigned char* buffer, unsigned int bufferSize), (channel, timeoutMs, buffer, bufferSize), -2) \
  X(38, int, StreamingChannel_getBufferSize, (StreamingChannelHandle channel, int* bufferSize), (channel, bufferSize), -2) \
  X(39, int, StreamingChannel_getImagePitch, (StreamingChannelHandle channel, int* pitch), (channel, pitch), -2) \
  X(40, int, StreamingChannel_getImageSizeX, (StreamingChannelHandle channel, int* sizeX), (channel, sizeX), -2) \
  X(41, int, StreamingChannel_getImageSizeY, (StreamingChannelHandle channel, int* sizeY), (channel, sizeY), -2) \
  /* network streaming settings */ \
  X(42, int, Camera_evaluateMaximalPacketSize, (CameraHandle camera, int* packetSize), (camera, packetSize), -2) \
  X(43, int, Camera_setStreamingPacketSize, (CameraHandle camera, int packetSize), (camera, packetSize), -2) \
  X(44, int, Camera_setInterPacketDelay, (CameraHandle camera, float interPacketDelay), (camera, interPacketDelay), -2) \
  X(45, int, Camera_getInterPacketDelay, (CameraHandle camera, float* interPacketDelay), (camera, interPacketDelay), -2) \
  X(46, int, Camera_setMulticastMode, (CameraHandle camera, int multicastMode), (camera, multicastMode), -2) \
  X(47, int, Camera_getMulticastMode, (CameraHandle camera, int* multicastMode), (camera, multicastMode), -2) \
  X(48, int, Camera_getMulticastGroup, (CameraHandle camera, unsigned int* multicastGroup, unsigned int* multicastPort), (camera, multicastGroup, multicastPort), -2) \
  /* image */ \
  X(49, unsigned char*, Image_getDataPointer, (ImageHandle image), (image), nullptr) \
  X(50, int, Image_getBufferIndex, (ImageHandle image), (image), 0) \
  X(51, int, Image_getSignalType, (ImageHandle image), (image), 0) \
  X(52, CameraHandle, Image_getCamera, (ImageHandle image), (image), -1) \
  X(53, int, Image_release, (ImageHandle image), (image), -2) \
  X(54, int, Image_getImageRGB, (ImageHandle image, unsigned char* buffer, int bufferLength, int bayerMethod), (image, buffer, bufferLength, bayerMethod), -2) \
  X(55, int, Image_getImageGray, (ImageHandle image, unsigned char* buffer, int bufferLength), (image, buffer, bufferLength), -2) \
  X(56, int, Image_getImage12bitAs8bit, (ImageHandle image, unsigned char* buffer, int bufferLength), (image, buffer, bufferLength), -2) \
  X(57, int, Image_getImage12bitAs16bit, (ImageHandle image, unsigned char* buffer, int bufferLength), (image, buffer, bufferLength), -2) \
  X(58, int, Image_getImage16bitAs8bit, (ImageHandle image, unsigned char* buffer, int bufferLength), (image, buffer, bufferLength), -2) \
  X(59, int, Image_getPixelType, (ImageHandle image), (image), kPixelTypeMono8) \
  X(60, int, Image_getImageSize, (ImageHandle image), (image), 0) \
  X(61, int, Image_getPitch, (ImageHandle image), (image), 0) \
  X(62, int, Image_getSizeX, (ImageHandle image), (image), 0) \
  X(63, int, Image_getSizeY, (ImageHandle image), (image), 0) \
  X(64, int, Image_getImageID, (ImageHandle image), (image), 0) \
  X(65, double, Image_getTimestamp, (ImageHandle image), (image), 0.0) \
  X(66, double, Image_getTransferTime, (ImageHandle image), (image), 0.0) \
  X(67, int, Image_getPacketCount, (ImageHandle image), (image), 0) \
  X(68, int, Image_getPacketResend, (ImageHandle image), (image), 0) \
  /* stream messages */ \
  X(69, int, Stream_createEvent, (StreamingChannelHandle channel, EventHandle* event, int maxMessages), (channel, event, maxMessages), -2) \
  X(70, int, Stream_addMessageType, (StreamingChannelHandle channel, EventHandle event, int messageType), (channel, event, messageType), -2) \
  X(71, int, Stream_removeMessageType, (StreamingChannelHandle channel, EventHandle event, int messageType), (channel, event, messageType), -2) \
  X(72, int, Stream_isMessagePending, (StreamingChannelHandle channel, EventHandle event, int timeoutMs), (channel, event, timeoutMs), -2) \
  X(73, int, Stream_registerEventCallback, (StreamingChannelHandle channel, EventHandle event, EventCallback callback, void* context), (channel, event, callback, context), -2) \
  X(74, int, Stream_unregisterEventCallback, (StreamingChannelHandle channel, EventHandle event, EventCallback callback), (channel, event, callback), -2) \
  X(75, int, Stream_getMessage, (StreamingChannelHandle channel, EventHandle event, MessageHandle* message, int* messageType), (channel, event, message, messageType), -2) \
  X(76, int, Stream_getMessageData, (StreamingChannelHandle channel, EventHandle event, MessageHandle message, void** messageData), (channel, event, message, messageData), -2) \
  X(77, int, Stream_getMessageTimestamp, (StreamingChannelHandle channel, EventHandle event, MessageHandle message, double* timestamp), (channel, event, message, timestamp), -2) \
  X(78, int, Stream_releaseMessage, (StreamingChannelHandle channel, EventHandle event, MessageHandle message), (channel, event, message), -2) \
  X(79, int, Stream_flushMessages, (StreamingChannelHandle channel, EventHandle event), (channel, event), -2) \
  X(80, int, Stream_closeEvent, (StreamingChannelHandle channel, EventHandle event), (channel, event), -2) \
  /* image control */ \
  X(81, int, Camera_setFrameRate, (CameraHandle camera, float frameRate), (camera, frameRate), -2) \
  X(82, int, Camera_getFrameRate, (CameraHandle camera, float* frameRate), (camera, frameRate), -2) \
  X(83, int, Camera_getFrameRateMin, (CameraHandle camera, float* minFrameRate), (camera, minFrameRate), -2) \
  X(84, int, Camera_getFrameRateMax, (CameraHandle camera, float* maxFrameRate), (camera, maxFrameRate), -2) \
  X(85, int, Camera_getFrameRateRange, (CameraHandle camera, float* minFrameRate, float* maxFrameRate), (camera, minFrameRate, maxFrameRate), -2) \
  X(86, int, Camera_getFrameRateIncrement, (CameraHandle camera, float* increment), (camera, increment), -2) \
  X(87, int, Camera_setExposureTime, (CameraHandle camera, float exposureTime), (camera, exposureTime), -2) \
  X(88, int, Camera_getExposureTime, (CameraHandle camera, float* exposureTime), (camera, exposureTime), -2) \
  X(89, int, Camera_getExposureTimeMin, (CameraHandle camera, float* minExposureTime), (camera, minExposureTime), -2) \
  X(90, int, Camera_getExposureTimeMax, (CameraHandle camera, float* maxExposureTime), (camera, maxExposureTime), -2) \
  X(91, int, Camera_getExposureTimeRange, (CameraHandle camera, float* minExposureTime, float* maxExposureTime), (camera, minExposureTime, maxExposureTime), -2) \
  X(92, int, Camera_getExposureTimeIncrement, (CameraHandle camera, float* increment), (camera, increment), -2) \
  X(93, int, Camera_setExposureDelay, (CameraHandle camera, float exposureDelay), (camera, exposureDelay), -2) \
  X(94, int, Camera_getExposureDelay, (CameraHandle camera, float* exposureDelay), (camera, exposureDelay), -2) \
  X(95, int, Camera_getExposureDelayMax, (CameraHandle camera, float* maxExposureDelay), (camera, maxExposureDelay), -2) \
  X(96, int, Camera_getExposureDelayIncrement, (CameraHandle camera, float* increment), (camera, increment), -2) \
  X(97, int, Camera_setGain, (CameraHandle camera, float gain), (camera, gain), -2) \
  X(98, int, Camera_getGain, (CameraHandle camera, float* gain), (camera, gain), -2) \
  X(99, int, Camera_getGainMax, (CameraHandle camera, float* maxGain), (camera, maxGain), -2) \
  X(100, int, Camera_getGainMaxExtended, (CameraHandle camera, float* maxGainExtended), (camera, maxGainExtended), -2) \
  X(101, int, Camera_getGainIncrement, (CameraHandle camera, float* increment), (camera, increment), -2) \
  X(102, int, Camera_setOffset, (CameraHandle camera, float offset), (camera, offset), -2) \
  X(103, int, Camera_getOffset, (CameraHandle camera, float* offset), (camera, offset), -2) \
  X(104, int, Camera_getOffsetMax, (CameraHandle camera, float* maxOffset), (camera, maxOffset), -2) \
  X(105, int, Camera_setAutoGainEnabled, (CameraHandle camera, bool enabled), (camera, enabled), -2) \
  X(106, int, Camera_getAutoGainEnabled, (CameraHandle camera, bool* enabled), (camera, enabled), -2) \
  X(107, int, Camera_setAutoGainBrightness, (CameraHandle camera, float brightness), (camera, brightness), -2) \
  X(108, int, Camera_getAutoGainBrightness, (CameraHandle camera, float* brightness), (camera, brightness), -2) \
  X(109, int, Camera_setAutoGainDynamics, (CameraHandle camera, float integralParameter, float proportionalParameter), (camera, integralParameter, proportionalParameter), -2) \
  X(110, int, Camera_getAutoGainDynamics, (CameraHandle camera, float* integralParameter, float* proportionalParameter), (camera, integralParameter, proportionalParameter), -2) \
  X(111, int, Camera_setAutoGainLimits, (CameraHandle camera, float minGain, float maxGain), (camera, minGain, maxGain), -2) \
  X(112, int, Camera_getAutoGainLimits, (CameraHandle camera, float* minGain, float* maxGain), (camera, minGain, maxGain), -2) \
  X(113, int, Camera_setAutoExposureLimits, (CameraHandle camera, float minExposure, float maxExposure), (camera, minExposure, maxExposure), -2) \
  X(114, int, Camera_getAutoExposureLimits, (CameraHandle camera, float* minExposure, float* maxExposure), (camera, minExposure, maxExposure), -2) \
  X(115, int, Camera_setAcquisitionControl, (CameraHandle camera, int acquisitionControl), (camera, acquisitionControl), -2) \
  X(116, int, Camera_getAcquisitionControl, (CameraHandle camera, int* acquisitionControl), (camera, acquisitionControl), -2) \
  X(117, int, Camera_setAcquisitionMode, (CameraHandle camera, int acquisitionMode), (camera, acquisitionMode), -2) \
  X(118, int, Camera_setAcquisitionModeAndStart, (CameraHandle camera, int acquisitionMode, bool start), (camera, acquisitionMode, start), -2) \
  X(119, int, Camera_getAcquisitionMode, (CameraHandle camera, int* acquisitionMode), (camera, acquisitionMode), -2) \
  X(120, int, Camera_softwareTrigger, (CameraHandle camera), (camera), -2) \
  X(121, int, Camera_softwareTriggerID, (CameraHandle camera, int triggerId), (camera, triggerId), -2) \
  X(122, int, Camera_softwareTriggerIDEnable, (CameraHandle camera, bool enable), (camera, enable), -2) \
  X(123, int, Camera_setTriggerPolarity, (CameraHandle camera, int triggerPolarity), (camera, triggerPolarity), -2) \
  X(124, int, Camera_getTriggerPolarity, (CameraHandle camera, int* triggerPolarity), (camera, triggerPolarity), -2) \
  X(125, int, Camera_setStrobePolarity, (CameraHandle camera, int strobePolarity), (camera, strobePolarity), -2) \
  X(126, int, Camera_getStrobePolarity, (CameraHandle camera, int* strobePolarity), (camera, strobePolarity), -2) \
  X(127, int, Camera_setStrobePosition, (CameraHandle camera, float strobePosition), (camera, strobePosition), -2) \
  X(128, int, Camera_getStrobePosition, (CameraHandle camera, float* strobePosition), (camera, strobePosition), -2) \
  X(129, int, Camera_getStrobePositionMax, (CameraHandle camera, float* maxStrobePosition), (camera, maxStrobePosition), -2) \
  X(130, int, Camera_getStrobePositionIncrement, (CameraHandle camera, float* increment), (camera, increment), -2) \
  X(131, int, Camera_setStrobeDuration, (CameraHandle camera, float strobeDuration), (camera, strobeDuration), -2) \
  X(132, int, Camera_getStrobeDuration, (CameraHandle camera, float* strobeDuration), (camera, strobeDuration), -2) \
  X(133, int, Camera_getStrobeDurationMax, (CameraHandle camera, float* maxStrobeDuration), (camera, maxStrobeDuration), -2) \
  X(134, int, Camera_getStrobeDurationIncrement, (CameraHandle camera, float* increment), (camera, increment), -2) \
  X(135, int, Camera_saveTapBalanceSettings, (CameraHandle camera, const char* fileName), (camera, fileName), -2) \
  X(136, int, Camera_loadTapBalanceSettings, (CameraHandle camera, const char* fileName), (camera, fileName), -2) \
  X(137, int, Camera_setTapConfiguration, (CameraHandle camera, int tapConfiguration), (camera, tapConfiguration), -2) \
  X(138, int, Camera_getTapConfiguration, (CameraHandle camera, int* tapConfiguration), (camera, tapConfiguration), -2) \
  X(139, int, Camera_setAutoTapBalanceMode, (CameraHandle camera, int autoTapBalanceMode), (camera, autoTapBalanceMode), -2) \
  X(140, int, Camera_getAutoTapBalanceMode, (CameraHandle camera, int* autoTapBalanceMode), (camera, autoTapBalanceMode), -2) \
  X(141, int, Camera_setTapBalance, (CameraHandle camera, float tapBalance), (camera, tapBalance), -2) \
  X(142, int, Camera_getTapBalance, (CameraHandle camera, float* tapBalance), (camera, tapBalance), -2) \
  X(143, int, Camera_getImagerWidth, (CameraHandle camera, int* imagerWidth), (camera, imagerWidth), -2) \
  X(144, int, Camera_getImagerHeight, (CameraHandle camera, int* imagerHeight), (camera, imagerHeight), -2) \
  X(145, int, Camera_getImageSize, (CameraHandle camera, int* imageSize), (camera, imageSize), -2) \
  X(146, int, Camera_getPitch, (CameraHandle camera, int* pitch), (camera, pitch), -2) \
  X(147, int, Camera_getSizeX, (CameraHandle camera, int* sizeX), (camera, sizeX), -2) \
  X(148, int, Camera_getSizeY, (CameraHandle camera, int* sizeY), (camera, sizeY), -2) \
  X(149, int, Camera_setBinningMode, (CameraHandle camera, int binningMode), (camera, binningMode), -2) \
  X(150, int, Camera_getBinningMode, (CameraHandle camera, int* binningMode), (camera, binningMode), -2) \
  X(151, int, Camera_setAreaOfInterest, (CameraHandle camera, int sizeX, int sizeY, int offsetX, int offsetY), (camera, sizeX, sizeY, offsetX, offsetY), -2) \
  X(152, int, Camera_getAreaOfInterest, (CameraHandle camera, int* sizeX, int* sizeY, int* offsetX, int* offsetY), (camera, sizeX, sizeY, offsetX, offsetY), -2) \
  X(153, int, Camera_getAreaOfInterestRange, (CameraHandle camera, int* minSizeX, int* minSizeY, int* maxSizeX, int* maxSizeY), (camera, minSizeX, minSizeY, maxSizeX, maxSizeY), -2) \
  X(154, int, Camera_getAreaOfInterestIncrement, (CameraHandle camera, int* sizeXIncrement, int* sizeYIncrement, int* offsetXIncrement, int* offsetYIncrement), (camera, sizeXIncrement, sizeYIncrement, offsetXIncrement, offsetYIncrement), -2) \
  X(155, int, Camera_resetTimestampCounter, (CameraHandle camera), (camera), -2) \
  X(156, int, Camera_getTimestampCounter, (CameraHandle camera, double* timestampCounter), (camera, timestampCounter), -2) \
  X(157, int, Camera_getTimestampTickFrequency, (CameraHandle camera, double* tickFrequency), (camera, tickFrequency), -2) \
  X(158, int, Camera_getPixelType, (CameraHandle camera, int* pixelType), (camera, pixelType), -2) \
  X(159, int, Camera_setPixelDepth, (CameraHandle camera, int pixelDepth), (camera, pixelDepth), -2) \
  X(160, int, Camera_getPixelDepth, (CameraHandle camera, int* pixelDepth), (camera, pixelDepth), -2) \
  X(161, int, Camera_setWhiteBalance, (CameraHandle camera, float red, float green, float blue), (camera, red, green, blue), -2) \
  X(162, int, Camera_getWhiteBalance, (CameraHandle camera, float* red, float* green, float* blue), (camera, red, green, blue), -2) \
  X(163, int, Camera_getWhiteBalanceMax, (CameraHandle camera, float* whiteBalanceMax), (camera, whiteBalanceMax), -2) \
  X(164, int, Camera_setGammaCorrection, (CameraHandle camera, float gammaCorrection), (camera, gammaCorrection), -2) \
  X(165, int, Camera_setGammaCorrectionExt, (CameraHandle camera, float gammaCorrection, float gain, float offset), (camera, gammaCorrection, gain, offset), -2) \
  X(166, int, Camera_setLowpassFilter, (CameraHandle camera, int lowpassFilter), (camera, lowpassFilter), -2) \
  X(167, int, Camera_getLowpassFilter, (CameraHandle camera, int* lowpassFilter), (camera, lowpassFilter), -2) \
  X(168, int, Camera_setLookupTableMode, (CameraHandle camera, int lutMode), (camera, lutMode), -2) \
  X(169, int, Camera_getLookupTableMode, (CameraHandle camera, int* lutMode), (camera, lutMode), -2) \
  X(170, int, Camera_setLookupTable, (CameraHandle camera, const int* table, int entryCount), (camera, table, entryCount), -2) \
  X(171, int, Camera_getLookupTable, (CameraHandle camera, int* table, int entryCount), (camera, table, entryCount), -2) \
  X(172, int, Camera_getMaxIOMuxIN, (CameraHandle camera, int* maxIOMuxIN), (camera, maxIOMuxIN), -2) \
  X(173, int, Camera_getMaxIOMuxOUT, (CameraHandle camera, int* maxIOMuxOUT), (camera, maxIOMuxOUT), -2) \
  X(174, int, Camera_setIOAssignment, (CameraHandle camera, int ioSignal, int ioSource), (camera, ioSignal, ioSource), -2) \
  X(175, int, Camera_getIOAssignment, (CameraHandle camera, int ioSignal, int* ioSource), (camera, ioSignal, ioSource), -2) \
  X(176, int, Camera_setIOMuxIN, (CameraHandle camera, unsigned int vectorIOMuxIN), (camera, vectorIOMuxIN), -2) \
  X(177, int, Camera_getIOMuxIN, (CameraHandle camera, unsigned int* vectorIOMuxIN), (camera, vectorIOMuxIN), -2) \
  X(178, int, Camera_setIO, (CameraHandle camera, unsigned int vectorIO), (camera, vectorIO), -2) \
  X(179, int, Camera_getIO, (CameraHandle camera, unsigned int* vectorIO), (camera, vectorIO), -2) \
  X(180, int, Camera_setAcqLEDOverride, (CameraHandle camera, bool override), (camera, override), -2) \
  X(181, int, Camera_getAcqLEDOverride, (CameraHandle camera, bool* override), (camera, override), -2) \
  X(182, int, Camera_setLEDIntensity, (CameraHandle camera, int ledIntensity), (camera, ledIntensity), -2) \
  X(183, int, Camera_getLEDIntensity, (CameraHandle camera, int* ledIntensity), (camera, ledIntensity), -2) \
  X(184, int, Camera_setUARTBuffer, (CameraHandle camera, const unsigned char* data, int length), (camera, data, length), -2) \
  X(185, int, Camera_getUARTBuffer, (CameraHandle camera, unsigned char* data, int* length, int maxLength, float timeout), (camera, data, length, maxLength, timeout), -2) \
  X(186, int, Camera_setUARTBaud, (CameraHandle camera, int baudRate), (camera, baudRate), -2) \
  X(187, int, Camera_getUARTBaud, (CameraHandle camera, int* baudRate), (camera, baudRate), -2) \
  X(188, int, Camera_setGigECameraRegister, (CameraHandle camera, unsigned int address, unsigned int value, unsigned int key), (camera, address, value, key), -2) \
  X(189, int, Camera_getGigECameraRegister, (CameraHandle camera, unsigned int address, unsigned int* value, unsigned int key), (camera, address, value, key), -2) \
  X(190, int, Camera_writeGigECameraMemory, (CameraHandle camera, unsigned int address, const unsigned char* data, unsigned int length, unsigned int key), (camera, address, data, length, key), -2) \
  X(191, int, Camera_readGigECameraMemory, (CameraHandle camera, unsigned int address, unsigned char* data, unsigned int length, unsigned int key), (camera, address, data, length, key), -2) \
  X(192, int, Camera_forceOpenConnection, (CameraHandle camera, float timeout), (camera, timeout), -2) \
  X(193, int, Camera_writeEEPROM, (CameraHandle camera), (camera), -2) \
  X(194, int, Camera_readEEPROM, (CameraHandle camera), (camera), -2) \
  X(195, int, Camera_restoreFactoryDefaults, (CameraHandle camera), (camera), -2) \
  /* utilities */ \
  X(196, int, SVGigE_estimateWhiteBalance, (const unsigned char* rgbData, int bufferLength, float* red, float* green, float* blue), (rgbData, bufferLength, red, green, blue), -2) \
  X(197, int, SVGigE_writeImageToBitmapFile, (const char* fileName, const unsigned char* data, int sizeX, int sizeY, int pixelType), (fileName, data, sizeX, sizeY, pixelType), -2) \
  X(198, int, SVGigE_installFilterDriver, (const char* driverPackagePath, const char* infFileName, const char* infFileNameMiniport), (driverPackagePath, infFileName, infFileNameMiniport), -2) \
  X(199, int, SVGigE_uninstallFilterDriver, (), (), -2) \
  /* error text */ \
  X(200, const char*, Error_getMessage, (int errorCode), (errorCode), "") \
  /* later camera additions */ \
  X(201, int, Camera_registerForLogMessages, (CameraHandle camera, int logLevel, const char* logFileName, LogMessageCallback callback, void* context), (camera, logLevel, logFileName, callback, context), -2) \
  X(202, int, Camera_startAcquisitionCycle, (CameraHandle camera), (camera), -2) \
  X(203, int, Camera_setTapCalibration, (CameraHandle camera, unsigned int tapId, unsigned int gain, unsigned int offset), (camera, tapId, gain, offset), -2) \
  X(204, int, Camera_getTapCalibration, (CameraHandle camera, unsigned int tapId, unsigned int* gain, unsigned int* offset), (camera, tapId, gain, offset), -2) \
  S(205, int, Camera_setLUTMode, (CameraHandle camera, int lutMode), (camera, lutMode), -2) \
  S(206, int, Camera_getLUTMode, (CameraHandle camera, int* lutMode), (camera, lutMode), -2) \
  X(207, int, Camera_createLUTwhiteBalance, (CameraHandle camera, float red, float green, float blue), (camera, red, green, blue), -2) \
  X(208, int, Camera_stampTimestamp, (CameraHandle camera, int timestampIndex), (camera, timestampIndex), -2) \
  X(209, int, Camera_getTimestamp, (CameraHandle camera, int timestampIndex, double* timestamp), (camera, timestampIndex, timestamp), -2) \
  /* image debug information */ \
  X(210, int, Image_getDebugInfo, (ImageHandle image, int* imageStatus, unsigned int* bufferSize), (image, imageStatus, bufferSize), -2)
// clang-format on

namespace ecocam::sdk {

// Row indices by name: SdkRow::Camera_setGain is the row of Camera_setGain.
enum class SdkRow : int {
#define ECOCAM_SDK_ROW_ENUM(row, ret, name, params, args, fallback) name,
  ECOCAM_SDK_ENTRY_POINTS(ECOCAM_SDK_ROW_ENUM, ECOCAM_SDK_ROW_ENUM)
#undef ECOCAM_SDK_ROW_ENUM
};

constexpr int kSdkEntryPointCount = 211;

#define ECOCAM_SDK_ROW_CHECK(row, ret, name, params, args, fallback) \
  static_assert(static_cast<int>(SdkRow::name) == (row), "row out of order: " #name);
ECOCAM_SDK_ENTRY_POINTS(ECOCAM_SDK_ROW_CHECK, ECOCAM_SDK_ROW_CHECK)
#undef ECOCAM_SDK_ROW_CHECK

// The type of each entry point's address, with its calling convention:
// Camera_setGain_fn is what the SDK's Camera_setGain is.
#define ECOCAM_SDK_FN_TYPE(row, ret, name, params, args, fallback) using name##_fn = ret(ECOCAM_SDK_CALL*) params;
ECOCAM_SDK_ENTRY_POINTS(ECOCAM_SDK_FN_TYPE, ECOCAM_SDK_FN_TYPE)
#undef ECOCAM_SDK_FN_TYPE

}  // namespace ecocam::sdk
