#include "model/gas_channel.h"

#include "model/instrument.h"

namespace vq {

ChannelGas GasOnChannel(const InstrumentModel& model, int ch) {
    ChannelGas gas;
    gas.name = model.GasName(ch);
    gas.unit = model.GasUnit(ch);
    gas.decimals = model.GasPoint(ch);
    gas.resolution = model.Resolution(ch);
    gas.fullScale = model.GasFullScale(ch);
    gas.warning = model.Warning(ch);
    gas.alarm = model.Alarm(ch);
    gas.stel = model.Stel(ch);
    gas.twa = model.Twa(ch);
    gas.autoCalib = model.AutoCalib(ch);
    gas.ratio = model.Ratio(ch);
    gas.zero = model.Zero(ch);
    return gas;
}

void PutGasOnChannel(InstrumentModel& model, int ch, const ChannelGas& gas,
                     GasRatioAndZero ratioAndZero) {
    if (ch < 0 || ch >= InstrumentModel::channelCount) return;
    model.setGasEnabled(ch, true);
    model.setGasName(ch, gas.name);
    model.setGasUnit(ch, gas.unit);
    model.setGasPoint(ch, gas.decimals);
    model.setResolution(ch, gas.resolution);
    model.setGasFullScale(ch, gas.fullScale);
    model.setWarning(ch, gas.warning);
    model.setAlarm(ch, gas.alarm);
    model.setStel(ch, gas.stel);
    model.setTwa(ch, gas.twa);
    model.setAutoCalib(ch, gas.autoCalib);
    if (ratioAndZero == GasRatioAndZero::Put) {
        model.setRatio(ch, gas.ratio);
        model.setZero(ch, gas.zero);
    }
}

}  // namespace vq
